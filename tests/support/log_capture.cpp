#include "log_capture.h"

#include <algorithm>

namespace packgate_test {
namespace {

// Lines that the feedback log writes while the pane collects a record.
constexpr std::string_view kFeedbackLinePrefixes[] = {
    "gsFBUserLog = ", "Plist Path: ", "Get AP Plist Fail"};

// The pane's explanation of each copy it turned away, after the lines of its entry.
constexpr std::string_view kExplanationLinePrefix = "Not offered: ";

}  // namespace

LogCapture::LogCapture(bool keep) {
    if (keep) {
        previous_ =
            foundation::SetLogSink([this](std::string_view line) { lines_.emplace_back(line); });
    } else {
        previous_ = foundation::SetLogSink([](std::string_view) {});
    }
}

LogCapture::~LogCapture() {
    foundation::SetLogSink(previous_);
}

bool LogCapture::contains(std::string_view line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::vector<std::string> LogCapture::paneLines() const {
    std::vector<std::string> pane;
    for (const std::string& line : lines_) {
        const bool fromFeedback =
            std::any_of(std::begin(kFeedbackLinePrefixes), std::end(kFeedbackLinePrefixes),
                        [&](std::string_view prefix) { return line.starts_with(prefix); });
        if (!fromFeedback && !line.starts_with(kExplanationLinePrefix)) pane.push_back(line);
    }
    return pane;
}

std::vector<std::string> LogCapture::explanationLines() const {
    std::vector<std::string> explained;
    for (const std::string& line : lines_) {
        if (line.starts_with(kExplanationLinePrefix)) explained.push_back(line);
    }
    return explained;
}

}  // namespace packgate_test
