// The messages between the installer and the pane's helper: every field survives the trip,
// and no body a hostile helper can send (cut short, too long, lying counts, stray bytes,
// unknown kinds) decodes into anything.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "installer/pane_host/pane_protocol.h"
#include "installer/pane_host/stop_reason.h"

namespace installer::pane_host {
namespace {

// The body of a whole frame (its 4-byte length dropped), checking the length on the way.
std::string Body(const std::string& frame) {
    FrameReader reader;
    reader.append(frame.data(), frame.size());
    const auto body = reader.next();
    EXPECT_TRUE(body.has_value());
    EXPECT_FALSE(reader.next().has_value());
    return body.value_or("");
}

PaneAnswer FullAnswer() {
    PaneAnswer answer;
    answer.allowed = true;
    PaneState& state = answer.state;
    state.title = "Destination";
    state.label = "Choose a copy\nof Quillet \xE6\x96\x87";
    state.nextEnabled = false;
    state.rows = {{0, "Quillet 5"}, {-7, std::string("nul\0inside", 10)}};
    state.selectedRow = 1;
    state.sheet = appkit::Sheet{std::nullopt, "The folder is missing.", "OK"};
    PaneCandidate candidate;
    candidate.source = "store";
    candidate.name = "com.velmora.s3";
    candidate.applicationPath = "/Applications/Quillet.app";
    candidate.revisionCode = "";
    candidate.reasonCode = "revision_missing";
    candidate.reasonFields = {{"code", ""}, {"required", "120"}};
    candidate.reason = "record has no Version Code";
    state.candidates = {candidate, PaneCandidate{}};
    state.candidates[1].offered = true;
    state.candidates[1].tag = 0;
    return answer;
}

TEST(PaneProtocol, EveryFieldOfEveryMessageSurvivesTheTrip) {
    const PaneAnswer sent = FullAnswer();
    const auto answer = DecodeMessage(Body(EncodeAnswer(sent)));
    ASSERT_TRUE(answer.has_value());
    ASSERT_EQ(answer->kind, MessageKind::Answer);
    const PaneState& got = answer->answer.state;
    EXPECT_TRUE(answer->answer.allowed);
    EXPECT_EQ(got.title, sent.state.title);
    EXPECT_EQ(got.label, sent.state.label);
    EXPECT_FALSE(got.nextEnabled);
    ASSERT_EQ(got.rows.size(), 2u);
    EXPECT_EQ(got.rows[1].tag, -7);
    EXPECT_EQ(got.rows[1].title, sent.state.rows[1].title);
    EXPECT_EQ(got.selectedRow, 1u);
    ASSERT_TRUE(got.sheet.has_value());
    EXPECT_FALSE(got.sheet->title.has_value());
    EXPECT_EQ(got.sheet->message, "The folder is missing.");
    EXPECT_EQ(got.sheet->defaultButton, "OK");
    ASSERT_EQ(got.candidates.size(), 2u);
    EXPECT_EQ(got.candidates[0].reasonFields, sent.state.candidates[0].reasonFields);
    EXPECT_EQ(got.candidates[0].applicationPath, "/Applications/Quillet.app");
    EXPECT_EQ(got.candidates[0].reasonCode, "revision_missing");
    EXPECT_TRUE(got.candidates[1].offered);
    EXPECT_EQ(got.candidates[1].tag, 0);

    PaneRequest request;
    request.callback = Callback::Exit;
    request.direction = 1;
    request.selectedRow = 3;
    request.sheetShown = true;
    const auto decoded = DecodeMessage(Body(EncodeRequest(request)));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->request.callback, Callback::Exit);
    EXPECT_EQ(decoded->request.direction, 1);
    EXPECT_EQ(decoded->request.selectedRow, 3u);
    EXPECT_TRUE(decoded->request.sheetShown);

    EXPECT_EQ(DecodeMessage(Body(EncodeHello()))->version, kProtocolVersion);
    EXPECT_EQ(DecodeMessage(Body(EncodeLog("line %@")))->text, "line %@");
    EXPECT_EQ(DecodeMessage(Body(EncodeLoadFailed("no bundle")))->text, "no bundle");
}

TEST(PaneProtocol, NoCutOrExtendedBodyDecodes) {
    const std::string body = Body(EncodeAnswer(FullAnswer()));
    for (std::size_t size = 0; size < body.size(); ++size) {
        EXPECT_FALSE(DecodeMessage(body.substr(0, size)).has_value()) << size;
    }
    EXPECT_FALSE(DecodeMessage(body + "x").has_value());
}

TEST(PaneProtocol, LyingFieldsAndUnknownKindsAreRefused) {
    EXPECT_FALSE(DecodeMessage("\x77").has_value());
    EXPECT_FALSE(DecodeMessage(std::string("\x01\x09", 2) + std::string(17, '\0')).has_value());
    // A row count far above what may come, with nothing behind it.
    std::string rows = Body(EncodeAnswer(PaneAnswer{}));
    const std::size_t countAt = 1 + 1 + 4 + 4 + 1;  // kind, allowed, title, label, next
    rows.replace(countAt, 4, std::string("\xff\xff\xff\x7f", 4));
    EXPECT_FALSE(DecodeMessage(rows).has_value());
    // A text longer than the body.
    std::string text = Body(EncodeLog("abc"));
    text[1] = '\x40';
    EXPECT_FALSE(DecodeMessage(text).has_value());
    // A flag that is neither 0 nor 1.
    std::string flag = Body(EncodeAnswer(PaneAnswer{}));
    flag[1] = 2;
    EXPECT_FALSE(DecodeMessage(flag).has_value());
    // A selected row that names no row.
    PaneAnswer beyond;
    beyond.state.rows = {{0, "only"}};
    beyond.state.selectedRow = 1;
    EXPECT_FALSE(DecodeMessage(Body(EncodeAnswer(beyond))).has_value());
}

TEST(PaneProtocol, FramesArriveInAnyPiecesAndOversizedOnesBreakTheReader) {
    const std::string frames = EncodeLog("one") + EncodeHello() + EncodeLog("two");
    FrameReader reader;
    std::vector<std::string> bodies;
    for (char byte : frames) {
        reader.append(&byte, 1);
        while (auto body = reader.next()) bodies.push_back(*body);
    }
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(DecodeMessage(bodies[2])->text, "two");

    FrameReader flooded;
    const std::string huge("\x01\x00\x10\x00", 4);  // 1 MiB + 1
    flooded.append(huge.data(), huge.size());
    EXPECT_FALSE(flooded.next().has_value());
    EXPECT_TRUE(flooded.broken());
}

TEST(PaneStopText, TimeLimitsReadAsSeconds) {
    EXPECT_EQ(SecondsText(60000), "60");
    EXPECT_EQ(SecondsText(400), "0.4");
    EXPECT_EQ(SecondsText(2500), "2.5");
}

}  // namespace
}  // namespace installer::pane_host
