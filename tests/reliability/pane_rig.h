// What the fault tests and the pane fuzz target need besides a fake machine: the plug-in's
// bundle folder made from the project's resources, the log (kept or dropped), and checks of
// what the pane shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/bundle.h"
#include "foundation/system_log.h"
#include "pane/packgate_pane.h"

namespace packgate_reliability {

// A Packgate.bundle in a new temporary folder, laid out from resources/ with the English
// strings only; removed with the object.
class BundleFolder {
  public:
    BundleFolder();
    ~BundleFolder();
    BundleFolder(const BundleFolder&) = delete;
    BundleFolder& operator=(const BundleFolder&) = delete;

    foundation::Bundle bundle() const;
    // Replaces the resource at `name` (under Contents/Resources) with `text`, or puts the
    // project's own file back.
    void writeResource(const std::string& name, const std::string& text) const;
    void restoreResource(const std::string& name) const;

  private:
    std::string folder_;
    std::string path_;
};

// Every log line while the object lives, or none kept at all (`keep` false), so a run of
// many cases neither prints nor grows.
class LogLines {
  public:
    explicit LogLines(bool keep = true);
    ~LogLines();
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    const std::vector<std::string>& all() const { return lines_; }
    bool contains(std::string_view line) const;
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
    foundation::LogSink previous_;
};

// What is wrong with the pane's rows after an entry, or "" when nothing is: the seven row
// arrays of one length, one matrix row per listed host, row i tagged i and titled with
// element i of the titles, Continue enabled exactly when a host is listed, and a selection
// whenever there are rows.
std::string RowProblems(const PackgatePane& pane);

// The message of the sheet on the pane's window, or "" when no sheet is shown.
std::string SheetMessage(const PackgatePane& pane);

}  // namespace packgate_reliability
