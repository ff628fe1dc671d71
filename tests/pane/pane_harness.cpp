#include "pane_harness.h"

#include "foundation/plist_read.h"

namespace packgate_test {
namespace {

// Every text the label can show.
constexpr const char* kLabelKeys[] = {"ID_CONTENTINSTALL_DESCRIPTION", "ID_NOAP_DESCRIPTION",
                                      "ID_NOSUITABLEAP_DESCRIPTION",
                                      "ID_NOSUPPORT_EDITION_DESCRIPTION"};

// The records of these tests are ASCII; anything else shows as '?'.
std::string Ascii(const std::wstring& wide) {
    std::string out;
    for (const wchar_t c : wide) out += (c >= 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

PaneScenario::PaneScenario() {
    bundle.writeSetup("120", foundation::PlistValue("0"));
}

InspectablePane& PaneScenario::pane() {
    if (!pane_) pane_ = std::make_unique<InspectablePane>(bundle.bundle());
    return *pane_;
}

std::vector<std::string> PaneScenario::enter() {
    InspectablePane& p = pane();
    log.clear();
    p.didEnterPane(InstallerDirectionForward);
    return log.paneLines();
}

std::vector<std::string> PaneScenario::exitForward() {
    InspectablePane& p = pane();
    log.clear();
    lastExitAnswer_ = p.shouldExitPane(InstallerDirectionForward);
    return log.paneLines();
}

std::vector<std::string> PaneScenario::exitBackward() {
    InspectablePane& p = pane();
    log.clear();
    lastExitAnswer_ = p.shouldExitPane(InstallerDirectionBackward);
    return log.paneLines();
}

std::vector<Row> PaneScenario::rows() {
    std::vector<Row> rows;
    for (const appkit::ButtonCell* cell : pane().m_pMatrix()->cells()) {
        rows.push_back({cell->title(), cell->tag()});
    }
    return rows;
}

bool PaneScenario::selectRow(std::size_t row) {
    return pane().m_pMatrix()->selectCellAtRow(row);
}

std::string PaneScenario::labelKey() {
    const std::string& text = pane().m_pLabel()->stringValue();
    for (const char* key : kLabelKeys) {
        if (pane()._localizedStringForKey(key) == text) return key;
    }
    return "";
}

std::optional<appkit::Sheet> PaneScenario::sheet() {
    return pane().window()->sheet();
}

std::vector<std::string> PaneScenario::postedRecords() const {
    std::vector<std::string> records;
    for (const SetupNetCall& call : network.callsNamed("EncryptWStringRC4")) {
        records.push_back(Ascii(call.text));
    }
    return records;
}

std::optional<foundation::PlistDict> PaneScenario::handoffList() const {
    return foundation::DictionaryWithContentsOfFile(machine.handoffListPath());
}

std::string RecordActivity(std::string_view record) {
    constexpr std::string_view kName = "\"Name\":\"";
    const auto start = record.find(kName);
    if (start == std::string_view::npos) return "";
    const auto from = start + kName.size();
    const auto end = record.find('"', from);
    return std::string(record.substr(from, end - from));
}

}  // namespace packgate_test
