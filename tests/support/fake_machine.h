// A whole fake machine in a temporary folder: the records through which installed Quillet
// copies make themselves known, laid out the way the pane looks for them.
//
//   FakeMachine m;                      // root and home under a new temporary folder
//   m.addMakerHost({});                 // one good maker-distributed copy
//   m.addStoreHost({.versionCode = "1100042"});
//   m.setFormat(RecordFormat::Binary);  // records written from now on are binary
//
// While the object lives, the machine root and the home folder of the foundation layer point
// into it; the destructor restores them and removes the folder. Layout, under <root>:
//   Library/Preferences/com.velmora.SharedData.plist     the shared-data list
//   Library/Preferences/<bundle id>.plist                 a maker host's preferences
//   Library/Application Support/Velmora/<name>/           a maker host's property list and
//                                                         template folder
//   Applications/<name>/Quillet.app/Contents/Info.plist   a maker host's application
//   Applications/AppStore/<container>/Quillet.app         a store host's application
// and under <home>:
//   Library/Preferences/                                  the user's preferences (handoff
//                                                         list, host installer's list)
//   Library/Containers/<container>/Data/...               a store host's records
//
// Used by the tests and by the installer program's demo machine: it does not depend on a
// test framework. Failures to lay out files throw std::runtime_error (a fixture that cannot
// be built must stop the test, not quietly test less).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/plist_value.h"

namespace packgate_test {

enum class RecordFormat { Xml, Binary, OldStyle };

// A copy of Quillet that the maker distributes: an install entry in the shared-data list,
// the application, the host property list, machine-wide preferences and a template folder.
// A value left absent leaves its key out of its record.
struct MakerHost {
    // Registry key of the install entry; also names the host's folders and bundle id, so it
    // must be unique on one machine.
    std::string name = "quillet";
    // Install entry.
    std::optional<std::string> productName = "Quillet";
    std::optional<std::string> dataVision = "5.2";  // "Current Data Vision"
    std::optional<std::string> minimumDataVersion = "1.0";
    // Application's Info.plist.
    std::optional<std::string> appVersion = "5.2.1";  // CFBundleShortVersionString
    std::optional<std::string> bundleName = "Quillet";
    // Host property list.
    std::optional<std::string> productTitle = "Quillet 5 Studio";
    bool withBundleId = true;
    // Host preferences.
    bool withTemplateData = true;
    std::optional<std::string> em2 = "QL5-7731-0042";
    std::optional<std::string> versionCode = "130";
    // Whether the application and the template folder exist on disk.
    bool installApp = true;
    bool createTemplateFolder = true;
};

struct MakerHostFiles {
    std::string registryKey;
    std::string appPath;
    std::string hostPlistPath;  // with ".plist"; the entry's "Plist Path" is without it
    std::string bundleId;
    std::string preferencesPath;
    std::string templateFolder;
};

// An App Store copy of Quillet: a sandbox container of the user holding the container record
// and the store property list, the application, and a template folder.
struct StoreHost {
    // The container's folder name (the pane examines names holding "com.velmora").
    std::string container = "com.velmora.quillet";
    // Container record.
    std::optional<std::string> dataVersion = "5.2";  // "Current Data Version"
    // Application's Info.plist.
    std::optional<std::string> appVersion = "5.2.1";
    std::optional<std::string> bundleName = "Quillet";
    // Store property list.
    std::optional<std::string> product = "Quillet";
    std::optional<std::string> productTitle = "Quillet 5";
    bool withTemplateData = true;
    std::optional<std::string> em2 = "QL5-AS-5521";
    std::optional<std::string> versionCode = "1301187";
    bool installApp = true;
    bool createTemplateFolder = true;
};

struct StoreHostFiles {
    std::string containerFolder;
    std::string recordPath;
    std::string storePlistPath;
    std::string appPath;
    std::string templateFolder;
};

// The host installer's list (com.velmora.installer.Quillet.plist in the user's preferences),
// from which the feedback record takes host facts.
struct HostInstallerList {
    std::string installerGuid = "3F2504E0-4F89-11D3-9A0C-0305E82C3301";
    std::string em2 = "QL5-7731-0042";
    std::string productBuild = "5.2.1.1187";
    std::string checkUpdateEdition = "Studio";
    std::string languageId = "1028";
};

class FakeMachine {
  public:
    FakeMachine();
    // The machine laid out in `folder` (created when missing), which stays when the object
    // goes: the installer program's demo machine in a folder the user chose.
    explicit FakeMachine(const std::string& folder);
    ~FakeMachine();
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    // The form of every record written from now on (XML unless set).
    void setFormat(RecordFormat format) { format_ = format; }

    MakerHostFiles addMakerHost(const MakerHost& host);
    // Many hosts with one write of the shared-data list.
    std::vector<MakerHostFiles> addMakerHosts(std::span<const MakerHost> hosts);
    StoreHostFiles addStoreHost(const StoreHost& host);
    void setHostInstallerList(const HostInstallerList& list);

    // Writes `record` at `path` in the current form, creating the folders above it.
    void writeRecord(const std::string& path, const foundation::PlistValue& record) const;
    // Writes `bytes` at `path`, creating the folders above it.
    static void writeBytes(const std::string& path, std::span<const std::uint8_t> bytes);
    static void writeText(const std::string& path, const std::string& text);
    // Removes whatever is at `path` (a folder with its contents).
    static void remove(const std::string& path);
    // Puts a plain file where the user's preferences folder belongs, so nothing can be
    // written there.
    void blockUserPreferences() const;

    const std::string& folder() const { return folder_; }
    const std::string& root() const { return root_; }
    const std::string& home() const { return home_; }
    std::string sharedDataListPath() const;
    std::string userPreferencesFolder() const;
    std::string containersFolder() const;
    std::string handoffListPath() const;
    std::string hostInstallerListPath() const;

  private:
    void writeSharedDataList() const;

    std::string folder_;
    std::string root_;
    std::string home_;
    std::string previousRoot_;
    std::string previousHome_;
    RecordFormat format_ = RecordFormat::Xml;
    bool removeFolder_ = true;
    // Install entries in registry order.
    foundation::PlistDict registry_;
};

// The bytes of `value` in `format`.
std::vector<std::uint8_t> EncodeRecord(const foundation::PlistValue& value, RecordFormat format);

}  // namespace packgate_test
