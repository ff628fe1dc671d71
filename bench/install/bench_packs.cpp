#include "bench_packs.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace install_bench {
namespace {

namespace fs = std::filesystem;

// Bytes of four bits each, so that compression halves them as it would real content.
std::vector<char> Content(std::size_t size, std::uint64_t seed) {
    std::vector<char> bytes(size);
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<char>('a' + (state & 15));
    }
    return bytes;
}

void WriteFile(const fs::path& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

}  // namespace

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

std::string MakePackFolder(const std::string& folder, const PackShape& shape) {
    const fs::path pack = fs::path(folder) / (shape.name + ".pack");
    const fs::path done = fs::path(folder) / (shape.name + ".made");
    if (fs::exists(done)) return pack;
    fs::remove_all(pack);
    const fs::path contents = pack / "Contents";
    fs::create_directories(contents / "Plugins" / "Packgate.bundle" / "Contents");
    std::ofstream(contents / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>\n"
           "<key>CFBundleIdentifier</key><string>com.velmora.pack.bench." << shape.name
        << "</string>\n<key>CFBundleShortVersionString</key><string>1.0</string>\n"
           "<key>CFBundleName</key><string>Bench " << shape.name << "</string>\n</dict></plist>\n";
    for (std::size_t i = 0; i < shape.files; ++i) {
        const fs::path folderOf = contents / "Payload" / "Brushes" /
                                  ("Set " + std::to_string(i / shape.filesPerFolder));
        if (i % shape.filesPerFolder == 0) fs::create_directories(folderOf);
        WriteFile(folderOf / ("Brush " + std::to_string(i) + ".qtpl"), Content(shape.bytesPerFile, i));
    }
    std::ofstream(done) << "made\n";
    return pack;
}

void MakeArchive(const std::string& pack, const std::string& archive, const std::string& compress) {
    if (fs::exists(archive)) return;
    const fs::path path(pack);
    // One xz block at the fastest preset: the archive is made once, read many times.
    Shell("XZ_OPT='-0 -T1' tar -c" + compress + "f '" + archive + ".part' -C '" +
          path.parent_path().string() + "' '" + path.filename().string() + "' && mv '" + archive +
          ".part' '" + archive + "'");
}

}  // namespace install_bench
