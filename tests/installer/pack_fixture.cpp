#include "pack_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "child_process.h"

namespace pack_test {

namespace fs = std::filesystem;

std::string InfoPlist(const std::string& identifier, const std::string& title,
                      const std::string& version) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" + identifier + "</string>"
           "<key>CFBundleName</key><string>" + title + "</string>"
           "<key>CFBundleShortVersionString</key><string>" + version + "</string>"
           "</dict></plist>\n";
}

std::string MakePackFolder(const packgate_test::ScratchFolder& scratch, const std::string& name) {
    const std::string contents = name + "/Contents";
    scratch.Write(contents + "/Info.plist", InfoPlist(kIdentifier, kTitle, kVersion));
    const std::string dylib = scratch.MakeFolder(contents + "/Plugins/Packgate.bundle/Contents/dylib");
    scratch.Write(contents + "/Plugins/Packgate.bundle/Contents/MacOS/Packgate", "module");
    scratch.Write(contents + "/Plugins/Packgate.bundle/Contents/dylib/libx.so.1.0", "library");
    fs::create_symlink("libx.so.1.0", dylib + "/libx.so.1");
    fs::create_symlink("libx.so.1", dylib + "/libx.so");
    scratch.Write(contents + "/Payload/Board/ReadMe.txt", "Read me first.\n");
    scratch.Write(contents + "/Payload/Board/Panels/Three.qtpl", "panels: 3\n");
    scratch.Write(contents + "/Payload/Board/Panels/Six.qtpl", std::string(5000, 's'));
    scratch.Write(contents + "/Payload/Palettes/Dusk.qpal", "#1B1F3B\n");
    fs::permissions(scratch / (contents + "/Payload/Board/Panels/Six.qtpl"),
                    fs::perms(0755));
    return scratch / name;
}

void RunHelper(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"python3", PACKGATE_PACK_ARCHIVES};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto status = packgate_test::RunProgram(argv);
    ASSERT_TRUE(status && *status == 0) << "pack_archives.py " << arguments.front() << " failed";
}

void MakeArchive(const std::string& folder, const std::string& form, const std::string& top,
                 const std::string& output) {
    RunHelper({"folder", form, folder, output, top});
}

void MakeEntriesArchive(const std::string& form, const std::string& output,
                        const nlohmann::json& entries) {
    RunHelper({"entries", form, output, entries.dump()});
}

nlohmann::json SoundEntries(const std::string& top) {
    const std::string c = top + "Contents/";
    return nlohmann::json::array({
        {{"name", c + "Info.plist"}, {"data", InfoPlist(kIdentifier, kTitle, kVersion)}},
        {{"name", c + "Plugins/Packgate.bundle/Contents/MacOS/Packgate"}, {"data", "module"}},
        {{"name", c + "Payload/Board/ReadMe.txt"}, {"data", "Read me.\n"}},
    });
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator walk(folder, error), end; !error && walk != end;
         walk.increment(error)) {
        names.push_back(walk->path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

PrivateTemporaryFolder::PrivateTemporaryFolder() {
    if (const char* previous = std::getenv("TMPDIR")) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    setenv("TMPDIR", folder_.path().c_str(), 1);
}

PrivateTemporaryFolder::~PrivateTemporaryFolder() {
    if (hadPrevious_) {
        setenv("TMPDIR", previous_.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

}  // namespace pack_test
