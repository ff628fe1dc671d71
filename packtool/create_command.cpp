// packgate-pack create: a pack folder laid out from a payload folder and the pane's bundle,
// made beside its final place and moved there only once the installer's own checks pass.
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/plist_write.h"
#include "installer/pack/pack_folder.h"
#include "installer/program_location.h"
#include "packtool/commands.h"
#include "packtool/pack_paths.h"
#include "packtool/tree_copy.h"

namespace packtool {
namespace {

namespace fs = std::filesystem;

// A folder that is removed, with everything in it, unless it is kept.
class MadeFolder {
  public:
    explicit MadeFolder(std::string path) : path_(std::move(path)) {}
    ~MadeFolder() {
        if (path_.empty()) return;
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    MadeFolder(const MadeFolder&) = delete;
    MadeFolder& operator=(const MadeFolder&) = delete;
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

  private:
    std::string path_;
};

// Why `value` cannot stand in the pack's Info.plist and its signature, or empty.
std::string FieldProblem(std::string_view option, const std::string& value, bool spacesAllowed) {
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return std::string(option) + " may not hold control characters";
        if (!spacesAllowed && c == ' ') return std::string(option) + " may not hold spaces";
    }
    return {};
}

std::string CheckFields(const PackToolOptions& o) {
    for (auto [option, value, spaces] : {std::tuple{"--identifier", &*o.identifier, false},
                                         {"--version", &*o.packVersion, false},
                                         {"--title", &*o.title, true}}) {
        if (std::string problem = FieldProblem(option, *value, spaces); !problem.empty()) return problem;
    }
    foundation::PlistDict probe;
    probe.set("title", *o.title);
    probe.set("identifier", *o.identifier);
    probe.set("version", *o.packVersion);
    if (!foundation::IsXmlWritable(probe)) return "--identifier, --version and --title must be UTF-8 text";
    return {};
}

std::string WriteInfo(const PackToolOptions& o, const std::string& contents) {
    foundation::PlistDict info;
    info.set(installer::kPackIdentifierKey, *o.identifier);
    info.set(installer::kPackTitleKey, *o.title);
    info.set(installer::kPackVersionKey, *o.packVersion);
    if (!foundation::WriteDictionaryToFile(info, contents + "/Info.plist", true)) {
        return "cannot write " + contents + "/Info.plist";
    }
    return {};
}

struct Layout {
    std::string error;
    int code = kExitDone;
    std::size_t payloadFiles = 0;
};

Layout Fill(const PackToolOptions& o, const std::string& bundle, const std::string& folder) {
    const std::string contents = folder + "/Contents";
    if (mkdir(contents.c_str(), 0755) != 0 || mkdir((contents + "/Plugins").c_str(), 0755) != 0) {
        return {"cannot make the folders of " + folder + ": " + std::strerror(errno), kExitFailed};
    }
    if (std::string error = WriteInfo(o, contents); !error.empty()) return {error, kExitFailed};
    TreeCopy copied = CopyTree(bundle, contents + "/Plugins/Packgate.bundle");
    if (!copied.error.empty()) return {copied.error, kExitFailed};
    copied = CopyTree(*o.payloadPath, contents + "/Payload");
    if (!copied.error.empty()) return {copied.error, kExitFailed};
    return {{}, kExitDone, copied.files};
}

// Puts the made folder at `pack`, moving an earlier pack aside first and removing it after.
std::string MoveIntoPlace(MadeFolder& made, const std::string& pack, bool replace) {
    std::string aside;
    if (replace) {
        aside = made.path() + ".old";
        if (rename(pack.c_str(), aside.c_str()) != 0) {
            return "cannot move the earlier " + pack + " aside: " + std::strerror(errno);
        }
    }
    if (rename(made.path().c_str(), pack.c_str()) != 0) {
        const int error = errno;
        if (replace) rename(aside.c_str(), pack.c_str());
        return "cannot move the new pack to " + pack + ": " + std::strerror(error);
    }
    made.keep();
    std::error_code ignored;
    if (replace) fs::remove_all(aside, ignored);
    return {};
}

std::string CheckInputs(const PackToolOptions& o, const std::string& pack, const std::string& bundle) {
    if (!fs::path(pack).filename().string().ends_with(".pack") || fs::path(pack).filename() == ".pack") {
        return "the pack folder's name ends in .pack (NAME.pack), not \"" + pack + "\"";
    }
    if (!IsFolder(*o.payloadPath)) return "the payload " + *o.payloadPath + " is not a folder";
    if (!IsFolder(bundle + "/Contents/MacOS")) {
        return "the bundle " + bundle + " is not a built Packgate.bundle (no Contents/MacOS); give it with --bundle";
    }
    for (const std::string& source : {*o.payloadPath, bundle}) {
        if (IsWithin(pack, source)) return "the pack " + pack + " cannot be made inside " + source;
    }
    return CheckFields(o);
}

}  // namespace

int RunCreate(const PackToolOptions& o, std::ostream& out, std::ostream& err) {
    const std::string pack = WithoutTrailingSlashes(*o.packPath);
    const auto bundle = o.bundlePath ? o.bundlePath : installer::DefaultBundlePath();
    if (!bundle) return Fail(err, "cannot tell where the program lies; give the bundle with --bundle", kExitFailed);
    if (std::string problem = CheckInputs(o, pack, *bundle); !problem.empty()) {
        return Fail(err, problem, kExitBadInput);
    }
    std::error_code error;
    const bool exists = fs::exists(fs::symlink_status(pack, error));
    if (exists && !o.force) return Fail(err, pack + " exists; give -f to replace it", kExitFailed);
    if (exists && !IsFolder(pack)) return Fail(err, pack + " exists and is not a pack folder", kExitFailed);
    std::string pattern = ParentOf(pack) + "/." + fs::path(pack).filename().string() + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        return Fail(err, "cannot make a folder beside " + pack + ": " + std::strerror(errno), kExitFailed);
    }
    MadeFolder made(pattern);
    const Layout layout = Fill(o, *bundle, made.path());
    if (!layout.error.empty()) return Fail(err, layout.error, layout.code);
    chmod(made.path().c_str(), 0755 & ~CurrentUmask());
    // The installer's own checks, so that a pack it would refuse is never made.
    const installer::PackOpening opening = installer::OpenPackFolder(made.path(), pack);
    if (!opening.pack) return Fail(err, opening.error, kExitBadInput);
    if (std::string moved = MoveIntoPlace(made, pack, exists); !moved.empty()) {
        return Fail(err, moved, kExitFailed);
    }
    out << "Made " << pack << ": " << *o.title << " (" << *o.identifier << " " << *o.packVersion
        << "), " << layout.payloadFiles << (layout.payloadFiles == 1 ? " payload file" : " payload files")
        << ".\nSign it with: " << kProgram << " sign " << pack << " -s SECRET-KEY-FILE\n";
    return kExitDone;
}

}  // namespace packtool
