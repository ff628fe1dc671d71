// packgate-pack archive: the pack folder as one reproducible archive. A signed pack that
// changed since it was signed is refused: the installer would refuse its archive.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "packtool/commands.h"
#include "packtool/pack_paths.h"
#include "packtool/reproducible_archive.h"
#include "signing/manifest.h"

namespace packtool {
namespace {

namespace fs = std::filesystem;

struct Target {
    std::string path;
    ArchiveFormat format = ArchiveFormat::TarXz;
    std::string error;
};

Target ChooseTarget(const PackToolOptions& o, const std::string& pack) {
    if (!o.outputPath) {
        const ArchiveFormat format = o.format.value_or(ArchiveFormat::TarXz);
        return {pack + std::string(ArchiveEnding(format)), format, {}};
    }
    if (o.format) return {*o.outputPath, *o.format, {}};
    if (const auto format = ArchiveFormatOfName(*o.outputPath)) return {*o.outputPath, *format, {}};
    return {{}, {}, "cannot tell the format of " + *o.outputPath + "; name it .tar.xz or .zip, or give --format"};
}

// Why the signed pack no longer matches its manifest, or empty (also for an unsigned pack).
std::string ChangedSinceSigning(const std::string& pack, bool& signedPack) {
    const std::string path = pack + "/" + signing::kManifestPath;
    std::ifstream file(path, std::ios::binary);
    signedPack = file.is_open();
    if (!signedPack) return {};
    std::error_code error;
    if (fs::file_size(path, error) > signing::kMaxManifestBytes || error) {
        return "its manifest is too large or unreadable; sign it again";
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    std::string why;
    const auto manifest = signing::ParseManifest(bytes, &why);
    if (!manifest) return "its manifest cannot be read (" + why + "); sign it again";
    const auto difference = signing::CompareManifest(*manifest, pack);
    if (!difference) return {};
    return "it changed since it was signed: " + difference->path + " " +
           signing::DifferenceText(difference->what) + "; sign it again";
}

// The pack folder's path with its own name last ("." and ".." resolved), since the archive's
// top folder and default name are taken from it.
std::string NamedPackPath(const std::string& given) {
    const fs::path path = fs::path(WithoutTrailingSlashes(given));
    if (path.filename() != "." && path.filename() != "..") return path.string();
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path.string() : resolved.string();
}

}  // namespace

int RunArchive(const PackToolOptions& o, std::ostream& out, std::ostream& err) {
    const std::string pack = NamedPackPath(*o.packPath);
    if (!IsFolder(pack)) return Fail(err, pack + " is not a pack folder", kExitBadInput);
    const Target target = ChooseTarget(o, pack);
    if (!target.error.empty()) return Fail(err, target.error, kExitBadInput);
    if (IsWithin(target.path, pack)) return Fail(err, "the archive cannot be written inside the pack", kExitBadInput);
    std::error_code error;
    if (fs::exists(fs::symlink_status(target.path, error)) && !o.force) {
        return Fail(err, target.path + " exists; give -f to replace it", kExitFailed);
    }
    bool signedPack = false;
    if (std::string changed = ChangedSinceSigning(pack, signedPack); !changed.empty()) {
        return Fail(err, pack + ": " + changed, kExitBadInput);
    }
    ArchiveRequest request{pack, target.path, target.format};
    request.entryTime = EntryTimeFrom(std::getenv("SOURCE_DATE_EPOCH")).value_or(kDefaultEntryTime);
    const ArchiveResult result = WriteReproducibleArchive(request);
    if (!result.error.empty()) return Fail(err, result.error, kExitFailed);
    if (!signedPack) {
        err << kProgram << ": warning: " << pack
            << " is not signed; packgate-installer refuses it unless it is signed (packgate-pack sign)\n";
    }
    out << "Wrote " << target.path << " (" << result.entries << " entries)\n";
    return kExitDone;
}

}  // namespace packtool
