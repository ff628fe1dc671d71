#include "fake_machine.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "foundation/plist_write.h"
#include "foundation/search_paths.h"
#include "plist_encoders.h"

namespace fs = std::filesystem;

namespace packgate_test {

std::vector<std::uint8_t> EncodeRecord(const foundation::PlistValue& value, RecordFormat format) {
    switch (format) {
        case RecordFormat::Binary:
            return BinaryPropertyListBytes(value);
        case RecordFormat::OldStyle: {
            const std::string text = OldStylePropertyListText(value);
            return {text.begin(), text.end()};
        }
        case RecordFormat::Xml:
            break;
    }
    const std::string text = foundation::XmlPropertyListText(value);
    return {text.begin(), text.end()};
}

FakeMachine::FakeMachine()
    : scratch_("packgate-machine"),
      layout_(scratch_.path()),
      previousRoot_(foundation::MachineRoot()),
      previousHome_(foundation::HomeFolder()) {
    layout_.setRecordEncoder(
        [this](const foundation::PlistValue& value) { return EncodeRecord(value, format_); });
    check();
    foundation::SetMachineRoot(root());
    foundation::SetHomeFolder(home());
}

FakeMachine::~FakeMachine() {
    foundation::SetMachineRoot(previousRoot_);
    foundation::SetHomeFolder(previousHome_);
}

void FakeMachine::check() const {
    if (!layout_.error().empty()) throw std::runtime_error(layout_.error());
}

MakerHostFiles FakeMachine::addMakerHost(const MakerHost& host) {
    MakerHostFiles files = layout_.addMakerHost(host);
    check();
    return files;
}

std::vector<MakerHostFiles> FakeMachine::addMakerHosts(std::span<const MakerHost> hosts) {
    std::vector<MakerHostFiles> files = layout_.addMakerHosts(hosts);
    check();
    return files;
}

StoreHostFiles FakeMachine::addStoreHost(const StoreHost& host) {
    StoreHostFiles files = layout_.addStoreHost(host);
    check();
    return files;
}

void FakeMachine::setHostInstallerList(const HostInstallerList& list) {
    layout_.setHostInstallerList(list);
    check();
}

void FakeMachine::writeRecord(const std::string& path, const foundation::PlistValue& record) const {
    writeBytes(path, EncodeRecord(record, format_));
}

void FakeMachine::writeBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string error = installer::WriteFileBytes(path, bytes);
    if (!error.empty()) throw std::runtime_error(error);
}

void FakeMachine::writeText(const std::string& path, const std::string& text) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(text.data());
    writeBytes(path, std::span<const std::uint8_t>(first, text.size()));
}

void FakeMachine::remove(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
    if (error) throw std::runtime_error("cannot remove " + path + ": " + error.message());
}

void FakeMachine::blockUserPreferences() const {
    remove(userPreferencesFolder());
    writeText(userPreferencesFolder(), "not a folder\n");
}

}  // namespace packgate_test
