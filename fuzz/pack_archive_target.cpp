// The pack archive reader on any bytes: it opens a pack or refuses with one line, and either
// way leaves nothing behind in its temporary folder once the Pack is gone.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz_check.h"
#include "installer/pack/pack_archive.h"

namespace {

// A private folder of this process: the input file, and TMPDIR for what is unpacked. The
// text is never destroyed, so the exit handler that removes the folder can still read it.
const std::string& WorkFolder() {
    static const std::string& folder = *new std::string([] {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/pg-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        FUZZ_CHECK(std::filesystem::create_directory(pattern + "/tmp"));
        setenv("TMPDIR", (pattern + "/tmp").c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(WorkFolder(), ignored);
        });
        return pattern;
    }());
    return folder;
}

bool Empty(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_empty(folder, error) && !error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = WorkFolder() + "/input.pack.tar";
    std::FILE* file = std::fopen(input.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);

    // Small caps, so that an input cannot make the run write much.
    installer::ArchiveCaps caps;
    caps.entries = 200;
    caps.fileBytes = 1 << 20;
    caps.totalBytes = 4 << 20;
    {
        const installer::PackOpening opening = installer::OpenPackArchive(input, caps);
        FUZZ_CHECK(opening.pack.has_value() == opening.error.empty());
        FUZZ_CHECK(opening.error.find('\n') == std::string::npos);
        if (!opening.pack) FUZZ_CHECK(Empty(WorkFolder() + "/tmp"));
    }
    FUZZ_CHECK(Empty(WorkFolder() + "/tmp"));
    return 0;
}
