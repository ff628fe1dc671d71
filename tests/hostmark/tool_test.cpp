// The hostmark command-line tool, run as a user runs it.
#include <hostmark/hostmark.h>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int exitCode;
    std::string out;
};

// Runs the tool with `arguments` (already shell-quoted), its standard error discarded.
Outcome RunTool(const std::string& arguments) {
    const std::string command =
        std::string("'") + HOSTMARK_TOOL + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    std::string out;
    char chunk[512];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(HostmarkTool, BadUsageExitsWithTwo) {
    for (const char* arguments : {"", "bogus", "encode", "encode a b", "encode ''", "uuid extra",
                                  "ip extra", "--help more", "--bogus"}) {
        EXPECT_EQ(RunTool(arguments).exitCode, 2) << "hostmark " << arguments;
    }
}

TEST(HostmarkTool, HelpPrintsUsageAndSucceeds) {
    const Outcome outcome = RunTool("--help");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("usage: hostmark"), std::string::npos);
}

TEST(HostmarkTool, VersionPrintsTheProgramAndItsVersion) {
    for (const char* arguments : {"--version", "-V"}) {
        const Outcome outcome = RunTool(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << arguments;
        EXPECT_EQ(outcome.out.rfind("hostmark ", 0), 0u) << outcome.out;
        EXPECT_NE(outcome.out.find_first_of("0123456789"), std::string::npos) << outcome.out;
    }
    EXPECT_EQ(RunTool("--version more").exitCode, 2);
}

TEST(HostmarkTool, EncodePrintsTheLibraryOutputsOnTwoLines) {
    char text[] = "hello";
    char hex[11] = {};
    char code[11] = {};
    ASSERT_EQ(Encrypt(text, hex, code), 1);
    const Outcome outcome = RunTool("encode hello");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, std::string(hex) + "\n" + code + "\n");
}

TEST(HostmarkTool, UuidAndIpPrintWhatTheLibraryWrites) {
    std::vector<char> uuid(1024);
    KZUUID_GetUUID(uuid.data());
    const Outcome uuidOutcome = RunTool("uuid");
    if (uuid[0] == '\0') {
        EXPECT_EQ(uuidOutcome.exitCode, 1);
    } else {
        EXPECT_EQ(uuidOutcome.exitCode, 0);
        EXPECT_EQ(uuidOutcome.out, std::string(uuid.data()) + "\n");
    }

    std::vector<char> list(2048);
    ASSERT_EQ(KZUUID_GetIPAddress(list.data()), 1);
    const Outcome ipOutcome = RunTool("ip");
    EXPECT_EQ(ipOutcome.exitCode, 0);
    EXPECT_EQ(ipOutcome.out, std::string(list.data()) + "\n");
}

}  // namespace
