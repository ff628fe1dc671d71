#include "installer/demo/machine_layout.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "foundation/plist_write.h"
#include "installer_plugins/handoff_contract.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

const char kHostFolder[] = "Library/Application Support/Velmora";
const char kContainerRecord[] = "Data/Library/Preferences/com.velmora.sharedpreference.plist";
const char kStoreSupport[] = "Data/Library/Application Support/Quillet";

std::vector<std::uint8_t> XmlRecord(const foundation::PlistValue& value) {
    const std::string text = foundation::XmlPropertyListText(value);
    return {text.begin(), text.end()};
}

void SetIfPresent(foundation::PlistDict& dict, std::string key,
                  const std::optional<std::string>& value) {
    if (value) dict.set(std::move(key), *value);
}

}  // namespace

std::string MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return error ? "cannot create " + path + ": " + error.message() : std::string();
}

std::string WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (std::string error = MakeFolders(fs::path(path).parent_path().string()); !error.empty()) {
        return error;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out.flush() ? std::string() : "cannot write " + path;
}

MachineLayout::MachineLayout(std::string folder)
    : folder_(std::move(folder)),
      root_(folder_ + "/root"),
      home_(folder_ + "/home/tester"),
      encoder_(&XmlRecord) {
    makeFolder(root_ + "/Library/Preferences");
    makeFolder(root_ + "/Applications");
    makeFolder(userPreferencesFolder());
}

std::string MachineLayout::sharedDataListPath() const {
    return root_ + "/Library/Preferences/com.velmora.SharedData.plist";
}
std::string MachineLayout::userPreferencesFolder() const {
    return home_ + "/Library/Preferences";
}
std::string MachineLayout::containersFolder() const {
    return home_ + "/Library/Containers";
}
std::string MachineLayout::handoffListPath() const {
    return HandoffListPathIn(home_ + "/Library");
}
std::string MachineLayout::hostInstallerListPath() const {
    return userPreferencesFolder() + "/com.velmora.installer.Quillet.plist";
}

void MachineLayout::makeFolder(const std::string& path) {
    if (error_.empty()) error_ = MakeFolders(path);
}

void MachineLayout::writeRecord(const std::string& path, const foundation::PlistValue& record) {
    if (error_.empty()) error_ = WriteFileBytes(path, encoder_(record));
}

// A Quillet.app folder with its information file.
void MachineLayout::installApplication(const std::string& appPath,
                                       const std::optional<std::string>& version,
                                       const std::optional<std::string>& bundleName) {
    foundation::PlistDict info;
    info.set("CFBundleIdentifier", "com.velmora.quillet");
    SetIfPresent(info, "CFBundleShortVersionString", version);
    SetIfPresent(info, "CFBundleName", bundleName);
    writeRecord(appPath + "/Contents/Info.plist", info);
    makeFolder(appPath + "/Contents/MacOS");
}

MakerHostFiles MachineLayout::addMakerHost(const MakerHost& host) {
    return addMakerHosts(std::span<const MakerHost>(&host, 1)).front();
}

std::vector<MakerHostFiles> MachineLayout::addMakerHosts(std::span<const MakerHost> hosts) {
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

        if (host.installApp) installApplication(files.appPath, host.appVersion, host.bundleName);
        if (host.createTemplateFolder) makeFolder(files.templateFolder);
        added.push_back(std::move(files));
    }
    writeSharedDataList();
    return added;
}

void MachineLayout::writeSharedDataList() {
    foundation::PlistDict maker;
    maker.set("Brellion", registry_);
    foundation::PlistDict top;
    top.set("Velmora", std::move(maker));
    writeRecord(sharedDataListPath(), top);
}

StoreHostFiles MachineLayout::addStoreHost(const StoreHost& host) {
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

    if (host.installApp) installApplication(files.appPath, host.appVersion, host.bundleName);
    if (host.createTemplateFolder) makeFolder(files.templateFolder);
    return files;
}

void MachineLayout::setHostInstallerList(const HostInstallerList& list) {
    foundation::PlistDict installer;
    installer.set("Installer GUID", list.installerGuid);
    installer.set("EM2", list.em2);
    installer.set("Product Build", list.productBuild);
    installer.set("Check Update Edition", list.checkUpdateEdition);
    installer.set("Language ID", list.languageId);
    writeRecord(hostInstallerListPath(), installer);
}

}  // namespace installer
