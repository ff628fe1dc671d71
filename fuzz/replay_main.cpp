// Replays checked-in fuzz inputs through a target's LLVMFuzzerTestOneInput, without
// libFuzzer: the ordinary build (and its sanitizer build) runs every corpus file once, so a
// crash or hang found by fuzzing stays fixed.
//
//   replay_<target> PATH...   each PATH a file or a folder (searched recursively)
//
// Exits 0 after the last input, 1 when no input was found (an empty corpus tests nothing).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsUnder(const fs::path& path) {
    std::vector<fs::path> inputs;
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return inputs;
    }
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error)) inputs.push_back(it->path());
    }
    std::sort(inputs.begin(), inputs.end());  // the same order on every run
    return inputs;
}

bool Replay(const fs::path& input) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    // A copy of exactly the input's size, so reads past its end are caught as they are under
    // libFuzzer.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    const std::uint8_t* data = exact.empty() ? nullptr : exact.data();
    LLVMFuzzerTestOneInput(data, exact.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : InputsUnder(argv[i])) {
            if (!Replay(input)) return 1;
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed == 0 ? 1 : 0;
}
