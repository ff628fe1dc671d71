#include "signing_fixture.h"

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace signing_test {

std::string MakePackFolder(const packgate_test::ScratchFolder& scratch, const std::string& name) {
    scratch.Write(name + "/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                  "\t<key>CFBundleIdentifier</key>\n\t<string>" + kIdentifier + "</string>\n"
                  "\t<key>CFBundleShortVersionString</key>\n\t<string>" + kVersion + "</string>\n"
                  "\t<key>CFBundleName</key>\n\t<string>Signed Pack</string>\n</dict>\n</plist>\n");
    const std::string module = scratch.Write(name + "/Contents/Plugins/Packgate.bundle/Contents/MacOS/Packgate",
                                             "module bytes");
    chmod(module.c_str(), 0755);
    scratch.Write(name + "/Contents/Payload/Templates/a.txt", "payload a\n");
    scratch.Write(name + "/Contents/Payload/b.txt", "payload b\n");
    const std::string link = scratch / (name + "/Contents/Plugins/Packgate.bundle/Contents/Current");
    EXPECT_EQ(symlink("MacOS", link.c_str()), 0);
    return scratch / name;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

std::optional<int> RunWithInput(const std::vector<std::string>& argv, const std::string& input,
                                const packgate_test::ScratchFolder& scratch) {
    const std::string inputPath = scratch.Write("stdin.txt", input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputPath.c_str(), O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return std::nullopt;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

}  // namespace signing_test
