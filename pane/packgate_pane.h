// PackgatePane: the installer pane of a Quillet content pack.
//
// On entry the pane posts the first feedback record, reads the pack's SetupSRC.plist, finds
// the installed Quillet copies (maker-distributed copies registered in the shared-data list,
// App Store copies in the user's sandbox containers) and lists each suitable one as a radio
// row whose tag is its index into the seven row arrays. On Continue it writes the chosen
// row into TempContentInstallPath.plist in the user's preferences folder and lets the
// Installer go on only when the chosen template folder exists.
//
// Everything runs on the Installer's main thread inside its callbacks; nothing is locked.
// Failures are answers (no, absent), never exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appkit/views.h"
#include "feedback/kz_feedback_log.h"
#include "foundation/bundle.h"
#include "foundation/string_or_number.h"
#include "installer_plugins/installer_pane.h"
#include "installer_plugins/pane_candidates.h"

class PackgatePane : public InstallerPane, public PaneCandidates {
  public:
    // `bundle` is the bundle the pane's class lives in; its PackgatePane.view lays out the
    // label and the eight-row radio matrix.
    explicit PackgatePane(foundation::Bundle bundle);
    ~PackgatePane() override;

    // Installer callbacks.
    std::string title() const override;
    void didEnterPane(InstallerSectionDirection direction) override;
    bool shouldExitPane(InstallerSectionDirection direction) override;

    // Every copy examined on the last entry, in order, offered or turned away with the first
    // test it failed.
    const std::vector<PaneCandidate>& candidates() const override { return candidates_; }

    // Properties. Each setter takes ownership of the new value and drops the old one.
    const std::shared_ptr<appkit::TextField>& m_pLabel() const { return _m_pLabel; }
    void setM_pLabel(std::shared_ptr<appkit::TextField> label) { _m_pLabel = std::move(label); }
    const std::shared_ptr<appkit::RadioMatrix>& m_pMatrix() const { return _m_pMatrix; }
    void setM_pMatrix(std::shared_ptr<appkit::RadioMatrix> matrix) {
        _m_pMatrix = std::move(matrix);
    }
    const std::vector<std::string>& m_kProductInstallPath() const { return _m_kProductInstallPath; }
    void setM_kProductInstallPath(std::vector<std::string> rows) {
        _m_kProductInstallPath = std::move(rows);
    }
    const std::vector<std::string>& m_kProductTemplatePath() const {
        return _m_kProductTemplatePath;
    }
    void setM_kProductTemplatePath(std::vector<std::string> rows) {
        _m_kProductTemplatePath = std::move(rows);
    }
    const std::vector<std::string>& m_kProductEM2() const { return _m_kProductEM2; }
    void setM_kProductEM2(std::vector<std::string> rows) { _m_kProductEM2 = std::move(rows); }
    const std::vector<std::string>& m_kProductType() const { return _m_kProductType; }
    void setM_kProductType(std::vector<std::string> rows) { _m_kProductType = std::move(rows); }
    const std::vector<std::string>& m_kRevCode() const { return _m_kRevCode; }
    void setM_kRevCode(std::vector<std::string> rows) { _m_kRevCode = std::move(rows); }
    const std::vector<std::string>& m_kapPlistPath() const { return _m_kapPlistPath; }
    void setM_kapPlistPath(std::vector<std::string> rows) { _m_kapPlistPath = std::move(rows); }
    const std::vector<std::string>& kProductTitle() const { return _kProductTitle; }
    void setKProductTitle(std::vector<std::string> rows) { _kProductTitle = std::move(rows); }

    // Setup and strings.
    // The text for `key` in the bundle's Localizable.strings; the key itself when missing.
    std::string _localizedStringForKey(const std::string& key) const;
    // Reads SetupSRC.plist into gstrSOURCEVersion, gstrSOURCEPackName and nPack_For_KZ_Store.
    void GetInstallInfo();
    // Removes `row` from the matrix when it exists; a negative row or one past the end does
    // nothing.
    void RemoveMatrixRow(std::int32_t row);

    // Host checks.
    // Whether anything (file, folder, bundle) exists at `path`; no for an absent path.
    bool Check_Folder_Exit(const std::optional<std::string>& path) const;
    // Whether the application at `apPath` exists and its short version begins with
    // `version`. Sets strStoreAPTitle to the application's CFBundleName whenever the
    // application exists.
    bool Check_AP_Version(const std::optional<std::string>& version,
                          const std::optional<std::string>& apPath);
    // Whether `version` is at least 1.0: a number by its value, a text by the number at its
    // start.
    bool Check_AP_Minimum_Version(const foundation::StringOrNumber& version) const;

    // Host records.
    // Reads "Template Data", "EM2" and "Version Code" of the application's machine-wide
    // preferences into the scratch fields (a value not found leaves its field unchanged).
    // Yes when all three were found; no, reading nothing, for an absent identifier.
    bool Pefrerences_Edition_Exist(const std::optional<std::string>& bundleId);
    // Reads an App Store copy's store property list into the scratch fields (missing keys
    // leave them absent; the revision code keeps its first three characters). Yes when the
    // file could be read as a dictionary.
    bool Store_plist_Exist(const std::optional<std::string>& path);

    // Commit.
    // Writes the handoff list (all six entries, atomically). No when `plistPath` is empty
    // or the file could not be written.
    bool SaveInstallPathInfoToTempPlist(const std::string& installPath, const std::string& pathName,
                                        const std::string& em2Name, const std::string& productType,
                                        const std::string& revCode, const std::string& plistPath);

  protected:
    // The pane's state, reached by its own methods only (and by subclasses, as tests are).
    // Host-under-test scratch values, rewritten by the record readers and the version check.
    std::optional<std::string> strTemplate;
    std::optional<std::string> strEM2;
    // A string or, from the host preferences, a number; compared by its integer value.
    foundation::StringOrNumber strRevCode;
    std::optional<std::string> strStoreAPTitle;
    // Which routes may offer hosts: 0 both, 1 maker-distributed only, 2 App Store only.
    std::int64_t nPack_For_KZ_Store = 0;
    std::unique_ptr<classKZFeedbackLog> cKZFeedbackLog;
    std::optional<std::string> gsUserLog;
    foundation::StringOrNumber gstrSOURCEVersion;
    std::optional<std::string> gstrSOURCEPackName;
    // Fields behind the properties. They carry a leading underscore only because C++ cannot
    // give a field and its getter the same name.
    std::shared_ptr<appkit::TextField> _m_pLabel;
    std::shared_ptr<appkit::RadioMatrix> _m_pMatrix;
    std::vector<std::string> _m_kProductInstallPath;
    std::vector<std::string> _m_kProductTemplatePath;
    std::vector<std::string> _m_kProductEM2;
    std::vector<std::string> _m_kProductType;
    std::vector<std::string> _m_kRevCode;
    std::vector<std::string> _m_kapPlistPath;
    std::vector<std::string> _kProductTitle;

  private:
    std::vector<PaneCandidate> candidates_;
    // What one entry learns besides the rows: hosts turned away for their revision code, and
    // whether the direct route met an installed Quillet at all. Together they pick the
    // label shown when nothing is offered.
    struct DiscoveryTally {
        int tooOld = 0;
        bool hostFound = false;
    };
    // One listed host: element i of each row array.
    struct HostRow {
        std::string title;
        std::string installPath;
        std::string templatePath;
        std::string em2;
        std::string productType;
        std::string revCode;
        std::string plistPath;
    };

    // Entry.
    void renewFeedbackLog();
    void resetRowArrays();
    void walkDirectRoute(DiscoveryTally& tally);
    void examineInstallEntry(const std::string& key, const foundation::PlistDict* entry,
                             DiscoveryTally& tally);
    void walkStoreRoute(DiscoveryTally& tally);
    void examineContainer(const std::string& containersFolder, const std::string& name,
                          DiscoveryTally& tally);
    bool isTooOld(DiscoveryTally& tally) const;
    void appendRow(HostRow row);
    void presentRows(const DiscoveryTally& tally);
    // Candidate record (candidate_record.cpp).
    void recordOffered(PaneCandidate candidate);
    void recordTurnedAway(PaneCandidate candidate, std::string code,
                          std::vector<std::pair<std::string, std::string>> fields);
    void logTurnedAway() const;
    void fitMatrixToRows(std::size_t rowCount);
    void setLabelText(const std::string& key);

    // Exit.
    std::optional<std::size_t> chosenRowIndex() const;
    bool finishForwardExit();
    void showWarningSheet(const std::string& messageKey) const;
};
