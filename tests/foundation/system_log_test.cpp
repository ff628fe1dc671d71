#include "foundation/system_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <regex>
#include <sstream>

#include "scratch_folder.h"
#include "system/posix_calls.h"

namespace {

using foundation::FormatMessage;
using foundation::LogArg;
using foundation::LogSink;
using foundation::NSLog;
using foundation::PlistArray;
using foundation::PlistDict;
using foundation::PlistValue;
using packgate_test::ScratchFolder;

std::string Format(std::string_view format, std::initializer_list<LogArg> args) {
    return FormatMessage(format, std::span(args.begin(), args.size()));
}

TEST(FormatMessage, TextDirective) {
    EXPECT_EQ(Format("strPlist:%@", {std::string("/Library/Preferences/x.plist")}),
              "strPlist:/Library/Preferences/x.plist");
    EXPECT_EQ(Format("gstrSOURCEVersion = %@", {std::optional<std::string>()}),
              "gstrSOURCEVersion = (null)");
    EXPECT_EQ(Format("[%@]", {""}), "[]");
    EXPECT_EQ(Format("%@", {static_cast<const char*>(nullptr)}), "(null)");
    EXPECT_EQ(Format("KZ_a=%@,KZ_b=%@", {"3", "3"}), "KZ_a=3,KZ_b=3");
}

TEST(FormatMessage, IntegerDirectives) {
    EXPECT_EQ(Format("%d %i %ld %lld", {-1, 2, -3L, -4LL}), "-1 2 -3 -4");
    EXPECT_EQ(Format("%u %lu %llu", {1u, 2UL, 18446744073709551615ULL}),
              "1 2 18446744073709551615");
    EXPECT_EQ(Format("%lld", {-9223372036854775807LL - 1}), "-9223372036854775808");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%%d", {7}), "%d");
}

TEST(FormatMessage, NegativeUnderUnsignedWrapsAtTheDirectiveWidth) {
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%lu", {-1}), "18446744073709551615");
    EXPECT_EQ(Format("%d", {4294967295u}), "4294967295");
}

TEST(FormatMessage, MissingArgumentsPrintNullOrZero) {
    EXPECT_EQ(Format("%@ %d %u %lld", {}), "(null) 0 0 0");
    EXPECT_EQ(Format("%@ and %@", {"one"}), "one and (null)");
    EXPECT_EQ(Format("%d", {std::optional<std::string>()}), "0");
}

TEST(FormatMessage, UnknownDirectivesArePrintedAndConsumeNothing) {
    EXPECT_EQ(Format("%s %x %n %p %f %c", {"a", 1}), "%s %x %n %p %f %c");
    EXPECT_EQ(Format("%s=%@", {"value"}), "%s=value");
    EXPECT_EQ(Format("%5d|%-d|%hd|%lx|%l|%", {1}), "%5d|%-d|%hd|%lx|%l|%");
    EXPECT_EQ(Format("%ll", {}), "%ll");
}

TEST(FormatMessage, MismatchedArgumentsPrintWhatWasPassed) {
    EXPECT_EQ(Format("%@", {42}), "42");
    EXPECT_EQ(Format("%@", {42u}), "42");
    EXPECT_EQ(Format("%d: %@", {"text", 100u}), "text: 100");
}

TEST(FormatMessage, ExtraArgumentsAreIgnored) {
    EXPECT_EQ(Format("Found", {"x", 1}), "Found");
}

TEST(FormatMessage, PropertyListValuesUseTheirDescription) {
    EXPECT_EQ(Format("%@", {PlistValue("plain text")}), "plain text");
    EXPECT_EQ(Format("%@", {PlistValue(std::int64_t{12})}), "12");
    const std::vector<std::string> names{"com.velmora.Quillet", "two words"};
    EXPECT_EQ(Format("kz_UserList:%@", {names}),
              "kz_UserList:(\n    com.velmora.Quillet,\n    \"two words\"\n)");
    EXPECT_EQ(Format("kz_UserList:%@", {std::vector<std::string>{}}), "kz_UserList:(\n)");
    PlistDict dict;
    dict.set("Product Name", PlistValue("Quillet"));
    EXPECT_EQ(Format("tmpinfo2:%@", {&dict}), "tmpinfo2:{\n    \"Product Name\" = Quillet;\n}");
    EXPECT_EQ(Format("tmpinfo2:%@", {static_cast<const PlistDict*>(nullptr)}), "tmpinfo2:(null)");
    EXPECT_EQ(Format("%@", {std::optional<PlistValue>()}), "(null)");
}

// Replaces the sink for one test and restores the default after.
class LogSinks : public ::testing::Test {
  protected:
    void SetUp() override {
        foundation::SetLogSink([this](std::string_view m) { lines_.emplace_back(m); });
    }
    void TearDown() override { foundation::SetLogSink({}); }

    static std::string FileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::string> lines_;
};

// "YYYY-MM-DD hh:mm:ss.mmm process[pid:tid]"
std::regex PrefixPattern() {
    return std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} )" +
                      std::string(program_invocation_short_name) + R"(\[)" +
                      std::to_string(getpid()) + R"(:\d+\])");
}

TEST_F(LogSinks, MessagesGoToTheSinkWithoutPrefix) {
    NSLog("didEnterPane");
    NSLog("strRevCode:%@", std::optional<std::string>("120"));
    EXPECT_EQ(lines_, (std::vector<std::string>{"didEnterPane", "strRevCode:120"}));
}

TEST_F(LogSinks, SetLogSinkAnswersThePreviousSink) {
    std::vector<std::string> other;
    LogSink previous = foundation::SetLogSink([&](std::string_view m) { other.emplace_back(m); });
    NSLog("to other");
    foundation::SetLogSink(std::move(previous));
    NSLog("back");
    EXPECT_EQ(other, std::vector<std::string>{"to other"});
    EXPECT_EQ(lines_, std::vector<std::string>{"back"});
}

TEST_F(LogSinks, SinkMayLogAndReplaceItself) {
    int calls = 0;
    foundation::SetLogSink([&](std::string_view) {
        ++calls;
        foundation::SetLogSink([this](std::string_view m) { lines_.emplace_back(m); });
        NSLog("from inside");
    });
    NSLog("first");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lines_, std::vector<std::string>{"from inside"});
}

TEST_F(LogSinks, LinePrefixHasTheSystemLogShape) {
    const std::string prefix = foundation::LogLinePrefix();
    EXPECT_TRUE(std::regex_match(prefix, PrefixPattern())) << prefix;
}

TEST_F(LogSinks, DefaultSinkWritesOnePrefixedLineToStandardError) {
    foundation::SetLogSink({});
    testing::internal::CaptureStderr();
    NSLog("Plist Path: %@", "com.velmora.installer.Quillet.plist");
    const std::string written = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), '\n');
    const std::string line = written.substr(0, written.size() - 1);
    const std::string message = " Plist Path: com.velmora.installer.Quillet.plist";
    ASSERT_TRUE(line.ends_with(message)) << line;
    EXPECT_TRUE(std::regex_match(line.substr(0, line.size() - message.size()), PrefixPattern()))
        << line;
}

TEST_F(LogSinks, FileSinkCreatesFoldersAndAppendsPrefixedLines) {
    const ScratchFolder folder;
    const std::string path = folder / "logs/deep/install.log";
    {
        auto sink = foundation::FileLogSink(path);
        ASSERT_TRUE(sink);
        foundation::SetLogSink(*sink);
    }
    NSLog("Add Plist success");
    NSLog("Final_Log:%@", std::optional<std::string>());
    // A second sink on the same file appends after the first one's lines.
    foundation::SetLogSink(*foundation::FileLogSink(path));
    NSLog("Exit Yes");
    foundation::SetLogSink({});

    std::istringstream text(FileText(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    const std::string messages[] = {"Add Plist success", "Final_Log:(null)", "Exit Yes"};
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(lines[i].ends_with(" " + messages[i])) << lines[i];
        const std::string prefix = lines[i].substr(0, lines[i].size() - messages[i].size() - 1);
        EXPECT_TRUE(std::regex_match(prefix, PrefixPattern())) << lines[i];
    }
}

TEST_F(LogSinks, FileSinkKeepsWhatTheFileHeld) {
    const ScratchFolder folder;
    const std::string path = folder.Write("install.log", "earlier line\n");
    foundation::SetLogSink(*foundation::FileLogSink(path));
    NSLog("later");
    foundation::SetLogSink({});
    const std::string text = FileText(path);
    EXPECT_TRUE(text.starts_with("earlier line\n"));
    EXPECT_TRUE(text.ends_with(" later\n"));
}

TEST_F(LogSinks, FileSinkIsNothingWhereNoFileCanBe) {
    const ScratchFolder folder;
    EXPECT_FALSE(foundation::FileLogSink(folder.path()));
    EXPECT_FALSE(foundation::FileLogSink(""));
    const std::string file = folder.Write("plain", "");
    EXPECT_FALSE(foundation::FileLogSink(file + "/below/install.log"));
}

ssize_t FullDiskWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(LogSinks, FailedWritesAreDropped) {
    const ScratchFolder folder;
    const std::string path = folder / "install.log";
    foundation::SetLogSink(*foundation::FileLogSink(path));
    platform::PosixCalls calls = platform::RealPosixCalls();
    calls.write = FullDiskWrite;
    {
        const platform::ScopedPosixCalls scoped(calls);
        NSLog("lost");
    }
    NSLog("kept");
    foundation::SetLogSink({});
    const std::string text = FileText(path);
    EXPECT_EQ(text.find("lost"), std::string::npos);
    EXPECT_TRUE(text.ends_with(" kept\n"));
}

}  // namespace
