#include "pack_tool_run.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "installer_program.h"

namespace packtool_test {

ProgramResult RunPackTool(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment) {
    auto env = installer_test::EnglishEnvironment();
    for (const auto& [name, value] : environment) env[name] = value;
    return installer_test::RunProgram(kPackTool, arguments, env);
}

ProgramResult RunTool(const std::string& program, const std::vector<std::string>& arguments) {
    return installer_test::RunProgram("/usr/bin/" + program, arguments, installer_test::EnglishEnvironment());
}

KeyFiles MakeKeys(const packgate_test::ScratchFolder& scratch, const std::string& name,
                  const std::string& comment) {
    KeyFiles keys{scratch / (name + ".pub"), scratch / (name + ".key")};
    const ProgramResult made =
        RunPackTool({"keygen", "-W", "-p", keys.publicKey, "-s", keys.secretKey, "-c", comment});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return keys;
}

std::string MakePayload(const packgate_test::ScratchFolder& scratch, const std::string& relative) {
    scratch.Write(relative + "/Readme.txt", "read me\n");
    scratch.Write(relative + "/Templates/Storyboard.qtpl", std::string(70000, 's'));
    chmod(scratch.Write(relative + "/Templates/convert.sh", "#!/bin/sh\n").c_str(), 0755);
    chmod(scratch.Write(relative + "/Templates/private.txt", "mine\n").c_str(), 0600);
    scratch.Write(relative + "/Templates/Caf\xC3\xA9.txt", "caf\xC3\xA9\n");
    return scratch / relative;
}

std::string MakeSmallBundle(const packgate_test::ScratchFolder& scratch) {
    const std::string bundle = scratch / "bundle/Packgate.bundle";
    scratch.Write("bundle/Packgate.bundle/Contents/Info.plist", "<plist/>\n");
    chmod(scratch.Write("bundle/Packgate.bundle/Contents/MacOS/Packgate", "module").c_str(), 0755);
    chmod(scratch.Write("bundle/Packgate.bundle/Contents/dylib/libx.so.1.0.0", "library").c_str(), 0755);
    std::error_code ignored;
    std::filesystem::create_symlink("libx.so.1.0.0", bundle + "/Contents/dylib/libx.so.1", ignored);
    return bundle;
}

std::string CreatePack(const packgate_test::ScratchFolder& scratch, const std::string& name,
                       bool builtBundle) {
    const std::string payload = MakePayload(scratch, name + "-payload");
    const std::string bundle = builtBundle ? installer_test::kBundle : MakeSmallBundle(scratch);
    const std::string pack = scratch / name;
    const ProgramResult made = RunPackTool({"create", pack, "--payload", payload, "--identifier",
                                            "com.acme.pack.test", "--version", "2.0", "--title",
                                            "Acme Test Pack", "--bundle", bundle});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return pack;
}

nlohmann::json ArchiveFacts(const std::string& path) {
    const ProgramResult read = installer_test::RunProgram("/usr/bin/python3", {kArchiveFacts, path});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    nlohmann::json facts = nlohmann::json::parse(read.out, nullptr, false);
    EXPECT_TRUE(facts.is_array()) << read.out;
    return facts;
}

std::string TrustedComment(const std::string& minisigPath) {
    const std::string text = Bytes(minisigPath);
    const std::string prefix = "\ntrusted comment: ";
    const std::size_t start = text.find(prefix);
    if (start == std::string::npos) return {};
    const std::size_t end = text.find('\n', start + 1);
    return text.substr(start + prefix.size(), end - start - prefix.size());
}

std::string Bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

int ModeOf(const std::string& path) {
    struct stat facts {};
    if (lstat(path.c_str(), &facts) != 0) return -1;
    return static_cast<int>(facts.st_mode & 07777);
}

}  // namespace packtool_test
