// The system log's lines while the object lives: kept for a test to read, or dropped
// (`keep` false) so a run of many cases neither prints nor grows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/system_log.h"

namespace packgate_test {

class LogCapture {
  public:
    explicit LogCapture(bool keep = true);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& all() const { return lines_; }
    // The kept lines, for a fixture that hands them to its tests to read and clear.
    std::vector<std::string>& lines() { return lines_; }
    bool contains(std::string_view line) const;
    // The pane's own lines: those the feedback log writes and the explanations left out.
    std::vector<std::string> paneLines() const;
    // The pane's "Not offered: NAME (REASON)" lines, one per copy it turned away.
    std::vector<std::string> explanationLines() const;
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
    foundation::LogSink previous_;
};

}  // namespace packgate_test
