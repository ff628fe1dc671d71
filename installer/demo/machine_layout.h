// A machine laid out in a folder: the records through which installed Quillet copies make
// themselves known, where the pane looks for them. The demo machine of --demo is one; the
// tests' fake machine is another.
//
// Layout, under <folder>/root (the machine's "/"):
//   Library/Preferences/com.velmora.SharedData.plist     the shared-data list
//   Library/Preferences/<bundle id>.plist                 a maker host's preferences
//   Library/Application Support/Velmora/<name>/           a maker host's property list and
//                                                         template folder
//   Applications/<name>/Quillet.app/Contents/Info.plist   a maker host's application
//   Applications/AppStore/<container>/Quillet.app         a store host's application
// and under <folder>/home/tester (the user's home):
//   Library/Preferences/                                  the user's preferences (handoff
//                                                         list, host installer's list)
//   Library/Containers/<container>/Data/...               a store host's records
//
// Failures do not throw: the first one is kept (error()) and every later write is skipped, so
// a caller checks once after laying out what it wants. Files are written with plain file
// streams, not through the platform's system-call seam, so a test's injected faults never
// reach the layout.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/plist_value.h"

namespace installer {

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

// The bytes of a record file; XML (XmlPropertyListText) unless a layout is given another.
using RecordEncoder = std::function<std::vector<std::uint8_t>(const foundation::PlistValue&)>;

// Writes `bytes` at `path`, creating the folders above it. Answers the reason of a failure,
// or the empty text.
std::string WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);
// Creates the folder at `path` with the folders above it; the reason of a failure, or empty.
std::string MakeFolders(const std::string& path);

class MachineLayout {
  public:
    // The machine in `folder`: its root and home folders are created now.
    explicit MachineLayout(std::string folder);

    // How every record written from now on is encoded.
    void setRecordEncoder(RecordEncoder encoder) { encoder_ = std::move(encoder); }

    MakerHostFiles addMakerHost(const MakerHost& host);
    // Many hosts with one write of the shared-data list.
    std::vector<MakerHostFiles> addMakerHosts(std::span<const MakerHost> hosts);
    StoreHostFiles addStoreHost(const StoreHost& host);
    void setHostInstallerList(const HostInstallerList& list);

    // The first failure, or the empty text while everything was laid out.
    const std::string& error() const { return error_; }

    const std::string& folder() const { return folder_; }
    const std::string& root() const { return root_; }
    const std::string& home() const { return home_; }
    std::string sharedDataListPath() const;
    std::string userPreferencesFolder() const;
    std::string containersFolder() const;
    std::string handoffListPath() const;
    std::string hostInstallerListPath() const;

  private:
    void makeFolder(const std::string& path);
    void writeRecord(const std::string& path, const foundation::PlistValue& record);
    void installApplication(const std::string& appPath, const std::optional<std::string>& version,
                            const std::optional<std::string>& bundleName);
    void writeSharedDataList();

    std::string folder_;
    std::string root_;
    std::string home_;
    RecordEncoder encoder_;
    std::string error_;
    // Install entries in registry order.
    foundation::PlistDict registry_;
};

}  // namespace installer
