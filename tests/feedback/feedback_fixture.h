// A feedback log under test: the user's home is a scratch folder, log lines are captured
// (while the fixture lives) and libsetupnet is replaced by the recording fake.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "recording_setupnet.h"
#include "scratch_folder.h"

namespace feedback_test {

class FeedbackLogTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the host installer's list from a JSON object with Python's plistlib, as "xml" or
    // "binary".
    void WriteHostList(const nlohmann::json& values, const std::string& format);
    // Writes raw bytes as the host installer's list.
    void WriteHostListBytes(const std::string& bytes);

    packgate_test::ScratchFolder home_;
    packgate_test::RecordingSetupNet net_;
    packgate_test::LogCapture log_;
    std::vector<std::string>& logs_ = log_.lines();

  private:
    std::string previousHome_;
};

// This machine's identifier as libmachinetag gives it.
std::string MachineID();
// This machine's system version as "major.minor.bugfix".
std::string OSVersion();

// A record as the log builds it. Each value is written as given, so callers pass the quoted
// values' text and the bare value's token ("1028", "null", "\"007\"").
struct ExpectedRecord {
    std::string guid = "0";
    std::string sn = "0";
    std::string productBuild = "0";
    std::string edition = "0";
    std::string packageLanguageID = "0";
    std::string name = "Resource-Step1";
    std::string description{};
    std::string Text() const;
};

// The record parsed as JSON; fails the test when it is not valid JSON.
nlohmann::json ParseRecord(const std::optional<std::string>& record);

}  // namespace feedback_test
