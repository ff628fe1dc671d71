// A whole fake machine in a temporary folder, laid out by the installer's MachineLayout (see
// installer/demo/machine_layout.h for the folders it holds), with what tests need on top: a
// temporary folder that goes with the object, records in any of the three formats, and files
// written or removed by hand.
//
//   FakeMachine m;                      // root and home under a new temporary folder
//   m.addMakerHost({});                 // one good maker-distributed copy
//   m.addStoreHost({.versionCode = "1100042"});
//   m.setFormat(RecordFormat::Binary);  // records written from now on are binary
//
// While the object lives, the machine root and the home folder of the platform point into it;
// the destructor restores them and removes the folder. Failures to lay out files throw
// std::runtime_error (a fixture that cannot be built must stop the test, not quietly test
// less).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/plist_value.h"
#include "installer/demo/machine_layout.h"
#include "scratch_folder.h"

namespace packgate_test {

enum class RecordFormat { Xml, Binary, OldStyle };

using installer::HostInstallerList;
using installer::MakerHost;
using installer::MakerHostFiles;
using installer::StoreHost;
using installer::StoreHostFiles;

class FakeMachine {
  public:
    FakeMachine();
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

    const std::string& folder() const { return layout_.folder(); }
    const std::string& root() const { return layout_.root(); }
    const std::string& home() const { return layout_.home(); }
    std::string sharedDataListPath() const { return layout_.sharedDataListPath(); }
    std::string userPreferencesFolder() const { return layout_.userPreferencesFolder(); }
    std::string containersFolder() const { return layout_.containersFolder(); }
    std::string handoffListPath() const { return layout_.handoffListPath(); }
    std::string hostInstallerListPath() const { return layout_.hostInstallerListPath(); }

  private:
    // Throws the layout's first failure.
    void check() const;

    ScratchFolder scratch_;  // first made, last removed
    installer::MachineLayout layout_;
    std::string previousRoot_;
    std::string previousHome_;
    RecordFormat format_ = RecordFormat::Xml;
};

// The bytes of `value` in `format`.
std::vector<std::uint8_t> EncodeRecord(const foundation::PlistValue& value, RecordFormat format);

}  // namespace packgate_test
