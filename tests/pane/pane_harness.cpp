#include "pane_harness.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"

namespace fs = std::filesystem;

namespace packgate_test {
namespace {

// Lines that the feedback log writes while the pane collects a record.
constexpr std::string_view kFeedbackLinePrefixes[] = {
    "gsFBUserLog = ", "Plist Path: ", "Get AP Plist Fail"};

// Every text the label can show.
constexpr const char* kLabelKeys[] = {"ID_CONTENTINSTALL_DESCRIPTION", "ID_NOAP_DESCRIPTION",
                                      "ID_NOSUITABLEAP_DESCRIPTION",
                                      "ID_NOSUPPORT_EDITION_DESCRIPTION"};

std::string NewTemporaryFolder() {
    std::random_device random;
    std::uniform_int_distribution<unsigned long long> digits;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("packgate-bundle-" + std::to_string(digits(random)));
        std::error_code error;
        if (fs::create_directory(candidate, error)) return candidate.string();
    }
    throw std::runtime_error("cannot create a temporary bundle folder");
}

void CopyResource(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// The records of these tests are ASCII; anything else shows as '?'.
std::string Ascii(const std::wstring& wide) {
    std::string out;
    for (const wchar_t c : wide) out += (c >= 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

PaneBundle::PaneBundle() : folder_(NewTemporaryFolder()), path_(folder_ + "/Packgate.bundle") {
    const std::string resources = PACKGATE_RESOURCES_DIR;
    CopyResource(resources + "/Info.plist", path_ + "/Contents/Info.plist");
    for (const char* name :
         {"SetupSRC.plist", "PackgatePane.view", "en.lproj/Localizable.strings"}) {
        CopyResource(resources + "/" + name, resourcePath(name));
    }
    fs::create_directories(path_ + "/Contents/MacOS");
}

PaneBundle::~PaneBundle() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

foundation::Bundle PaneBundle::bundle() const {
    auto bundle = foundation::Bundle::AtPath(path_);
    if (!bundle) throw std::runtime_error("the test bundle is not a folder: " + path_);
    return *bundle;
}

std::string PaneBundle::resourcePath(const std::string& name) const {
    return path_ + "/Contents/Resources/" + name;
}

void PaneBundle::writeSetup(const std::optional<std::string>& requiredVersion,
                            const std::optional<foundation::PlistValue>& forKzOrStore,
                            const std::optional<std::string>& packTitle) {
    foundation::PlistDict setup;
    if (requiredVersion) setup.set("REQUIRED_PRODUCT_VERSION", *requiredVersion);
    if (packTitle) setup.set("TITLE_MAIN_PACK", *packTitle);
    if (forKzOrStore) setup.set("FOR_KZ_OR_STORE", *forKzOrStore);
    writeResource("SetupSRC.plist", foundation::XmlPropertyListText(setup));
}

void PaneBundle::writeResource(const std::string& name, const std::string& text) const {
    FakeMachine::writeText(resourcePath(name), text);
}

void PaneBundle::removeResource(const std::string& name) const {
    FakeMachine::remove(resourcePath(name));
}

LogCapture::LogCapture() {
    previous_ =
        foundation::SetLogSink([this](std::string_view line) { lines_.emplace_back(line); });
}

LogCapture::~LogCapture() {
    foundation::SetLogSink(previous_);
}

std::vector<std::string> LogCapture::paneLines() const {
    std::vector<std::string> pane;
    for (const std::string& line : lines_) {
        bool fromFeedback = false;
        for (std::string_view prefix : kFeedbackLinePrefixes) {
            fromFeedback = fromFeedback || line.starts_with(prefix);
        }
        if (!fromFeedback) pane.push_back(line);
    }
    return pane;
}

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
