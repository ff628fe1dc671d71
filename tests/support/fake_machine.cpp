#include "fake_machine.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "foundation/plist_write.h"
#include "foundation/search_paths.h"
#include "plist_encoders.h"

namespace fs = std::filesystem;

namespace packgate_test {
namespace {

const char kHostFolder[] = "Library/Application Support/Velmora";
const char kContainerRecord[] = "Data/Library/Preferences/com.velmora.sharedpreference.plist";
const char kStoreSupport[] = "Data/Library/Application Support/Quillet";

std::string UniqueFolder() {
    std::random_device random;
    std::uniform_int_distribution<unsigned long long> digits;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("packgate-machine-" + std::to_string(digits(random)));
        std::error_code error;
        if (fs::create_directory(candidate, error)) return candidate.string();
    }
    throw std::runtime_error("cannot create a temporary folder for the fake machine");
}

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) throw std::runtime_error("cannot create " + path + ": " + error.message());
}

void SetIfPresent(foundation::PlistDict& dict, std::string key,
                  const std::optional<std::string>& value) {
    if (value) dict.set(std::move(key), *value);
}

// A Quillet.app folder with its information file.
void InstallApplication(const FakeMachine& machine, const std::string& appPath,
                        const std::optional<std::string>& version,
                        const std::optional<std::string>& bundleName) {
    foundation::PlistDict info;
    info.set("CFBundleIdentifier", "com.velmora.quillet");
    SetIfPresent(info, "CFBundleShortVersionString", version);
    SetIfPresent(info, "CFBundleName", bundleName);
    machine.writeRecord(appPath + "/Contents/Info.plist", info);
    MakeFolder(appPath + "/Contents/MacOS");
}

}  // namespace

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

FakeMachine::FakeMachine() : FakeMachine(UniqueFolder()) {
    removeFolder_ = true;
}

FakeMachine::FakeMachine(const std::string& folder)
    : folder_(folder),
      root_(folder_ + "/root"),
      home_(folder_ + "/home/tester"),
      previousRoot_(foundation::MachineRoot()),
      previousHome_(foundation::HomeFolder()) {
    removeFolder_ = false;
    MakeFolder(root_ + "/Library/Preferences");
    MakeFolder(root_ + "/Applications");
    MakeFolder(userPreferencesFolder());
    foundation::SetMachineRoot(root_);
    foundation::SetHomeFolder(home_);
}

FakeMachine::~FakeMachine() {
    foundation::SetMachineRoot(previousRoot_);
    foundation::SetHomeFolder(previousHome_);
    if (!removeFolder_) return;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string FakeMachine::sharedDataListPath() const {
    return root_ + "/Library/Preferences/com.velmora.SharedData.plist";
}
std::string FakeMachine::userPreferencesFolder() const {
    return home_ + "/Library/Preferences";
}
std::string FakeMachine::containersFolder() const {
    return home_ + "/Library/Containers";
}
std::string FakeMachine::handoffListPath() const {
    return userPreferencesFolder() + "/TempContentInstallPath.plist";
}
std::string FakeMachine::hostInstallerListPath() const {
    return userPreferencesFolder() + "/com.velmora.installer.Quillet.plist";
}

MakerHostFiles FakeMachine::addMakerHost(const MakerHost& host) {
    return addMakerHosts(std::span<const MakerHost>(&host, 1)).front();
}

std::vector<MakerHostFiles> FakeMachine::addMakerHosts(std::span<const MakerHost> hosts) {
    std::vector<MakerHostFiles> added;
    added.reserve(hosts.size());
    for (const MakerHost& host : hosts) {
        const std::string support = root_ + "/" + kHostFolder + "/" + host.name;
        MakerHostFiles files{host.name,
                             root_ + "/Applications/" + host.name + "/Quillet.app",
                             support + "/QuilletProduct.plist",
                             "com.velmora.quillet." + host.name,
                             "",
                             support + "/Template"};
        files.preferencesPath = root_ + "/Library/Preferences/" + files.bundleId + ".plist";

        foundation::PlistDict entry;
        SetIfPresent(entry, "Product Name", host.productName);
        entry.set("Main Program", files.appPath);
        SetIfPresent(entry, "Current Data Vision", host.dataVision);
        SetIfPresent(entry, "Minimum Data Version", host.minimumDataVersion);
        entry.set("Plist Path", support + "/QuilletProduct");
        registry_.set(files.registryKey, std::move(entry));

        foundation::PlistDict product;
        if (host.withBundleId) product.set("Bundle ID", files.bundleId);
        SetIfPresent(product, "Product Title", host.productTitle);
        product.set("Main Program", files.appPath);
        writeRecord(files.hostPlistPath, product);

        foundation::PlistDict preferences;
        if (host.withTemplateData) preferences.set("Template Data", files.templateFolder);
        SetIfPresent(preferences, "EM2", host.em2);
        SetIfPresent(preferences, "Version Code", host.versionCode);
        writeRecord(files.preferencesPath, preferences);

        if (host.installApp) {
            InstallApplication(*this, files.appPath, host.appVersion, host.bundleName);
        }
        if (host.createTemplateFolder) MakeFolder(files.templateFolder);
        added.push_back(std::move(files));
    }
    writeSharedDataList();
    return added;
}

void FakeMachine::writeSharedDataList() const {
    foundation::PlistDict maker;
    maker.set("Brellion", registry_);
    foundation::PlistDict top;
    top.set("Velmora", std::move(maker));
    writeRecord(sharedDataListPath(), top);
}

StoreHostFiles FakeMachine::addStoreHost(const StoreHost& host) {
    const std::string container = containersFolder() + "/" + host.container;
    const std::string support = container + "/" + kStoreSupport;
    StoreHostFiles files{
        container, container + "/" + kContainerRecord, support + "/QuilletStore.plist",
        root_ + "/Applications/AppStore/" + host.container + "/Quillet.app", support + "/Template"};

    foundation::PlistDict record;
    record.set("Plist Path", files.storePlistPath);
    record.set("Main Program", files.appPath);
    SetIfPresent(record, "Current Data Version", host.dataVersion);
    writeRecord(files.recordPath, record);

    foundation::PlistDict store;
    SetIfPresent(store, "Product", host.product);
    SetIfPresent(store, "Product Title", host.productTitle);
    if (host.withTemplateData) store.set("Template Data", files.templateFolder);
    SetIfPresent(store, "EM2", host.em2);
    SetIfPresent(store, "Version Code", host.versionCode);
    writeRecord(files.storePlistPath, store);

    if (host.installApp) {
        InstallApplication(*this, files.appPath, host.appVersion, host.bundleName);
    }
    if (host.createTemplateFolder) MakeFolder(files.templateFolder);
    return files;
}

void FakeMachine::setHostInstallerList(const HostInstallerList& list) {
    foundation::PlistDict installer;
    installer.set("Installer GUID", list.installerGuid);
    installer.set("EM2", list.em2);
    installer.set("Product Build", list.productBuild);
    installer.set("Check Update Edition", list.checkUpdateEdition);
    installer.set("Language ID", list.languageId);
    writeRecord(hostInstallerListPath(), installer);
}

void FakeMachine::writeRecord(const std::string& path, const foundation::PlistValue& record) const {
    writeBytes(path, EncodeRecord(record, format_));
}

void FakeMachine::writeBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    MakeFolder(fs::path(path).parent_path().string());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
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
