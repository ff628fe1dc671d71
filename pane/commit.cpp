// Leaving the pane. Going forward commits the chosen row into the handoff list
// TempContentInstallPath.plist, the pane's output to the rest of the installation, and lets
// the Installer go on only when the chosen template folder exists. Going back is always
// allowed and changes nothing.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

#include "appkit/views.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "installer_plugins/handoff_contract.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

using foundation::NSLog;

namespace {

// In the user's own preferences folder, not the machine-wide one where hosts register.
std::string HandoffListPath() {
    return HandoffListPathIn(foundation::UserLibraryFolder());
}

}  // namespace

bool PackgatePane::shouldExitPane(InstallerSectionDirection direction) {
    NSLog("Called shouldExitPane");
    if (direction != InstallerDirectionForward) return true;

    const auto index = chosenRowIndex();
    if (!index) return false;
    const std::size_t row = *index;
    if (!SaveInstallPathInfoToTempPlist(m_kProductInstallPath()[row], m_kProductTemplatePath()[row],
                                        m_kProductEM2()[row], m_kProductType()[row],
                                        m_kRevCode()[row], m_kapPlistPath()[row])) {
        // Without the list the rest of the installation would not know where to put the
        // pack. Continue stays enabled so the user can choose another row or go back.
        showWarningSheet("ID_WARN_SAVE_FAILED");
        return false;
    }
    NSLog("Second IF");
    return finishForwardExit();
}

std::optional<std::size_t> PackgatePane::chosenRowIndex() const {
    const appkit::ButtonCell* cell = _m_pMatrix ? _m_pMatrix->selectedCell() : nullptr;
    if (!cell) {
        NSLog("No row is selected; staying on the pane");
        return std::nullopt;
    }
    // The setters are public, so the arrays are not trusted to be of equal length.
    const std::size_t rows = std::min(
        {_m_kProductInstallPath.size(), _m_kProductTemplatePath.size(), _m_kProductEM2.size(),
         _m_kProductType.size(), _m_kRevCode.size(), _m_kapPlistPath.size()});
    const long tag = cell->tag();
    if (tag < 0 || static_cast<unsigned long>(tag) >= rows) {
        NSLog("Selected row tag %ld lies outside the %lu listed rows; staying on the pane", tag,
              rows);
        return std::nullopt;
    }
    return static_cast<std::size_t>(tag);
}

bool PackgatePane::finishForwardExit() {
    const auto handoff = foundation::DictionaryWithContentsOfFile(HandoffListPath());
    const foundation::PlistDict* list = handoff ? &*handoff : nullptr;
    if (!Check_Folder_Exit(foundation::StringForKey(list, "ContTemplatePath"))) {
        NSLog("No Found");
        setNextEnabled(false);
        showWarningSheet("ID_WARN_TempPath_NOT_FOUND");
        return false;
    }

    renewFeedbackLog();
    const auto productType = foundation::StringForKey(list, "PRODUCT_TYPE");
    if (foundation::IsEqualToString(productType, std::string("Store"))) {
        // An App Store copy has no host installer's list to report from.
        NSLog("%@", productType);
    } else {
        NSLog("KZ");
        cKZFeedbackLog->CollectLog("Resource-Step2", "", 1);
    }
    gsUserLog = cKZFeedbackLog->GetUserLog();
    NSLog("Final_Log:%@", gsUserLog);
    return true;
}

void PackgatePane::showWarningSheet(const std::string& messageKey) const {
    appkit::Window* window = _m_pLabel ? _m_pLabel->window() : nullptr;
    // The translation is shown as it stands; a directive in it is never expanded.
    appkit::BeginInformationalAlertSheet(std::nullopt, _localizedStringForKey("OK_BUTTON"), window,
                                         _localizedStringForKey(messageKey));
}

bool PackgatePane::SaveInstallPathInfoToTempPlist(
    const std::string& installPath, const std::string& pathName, const std::string& em2Name,
    const std::string& productType, const std::string& revCode, const std::string& plistPath) {
    const std::string path = HandoffListPath();
    if (plistPath.empty()) return false;

    const HandoffValues values{plistPath, revCode, productType, em2Name, pathName, installPath};
    foundation::PlistDict handoff;
    for (const HandoffField& field : kHandoffFields) {
        handoff.set(std::string(field.key), *(values.*field.value));
    }

    // Written atomically: readers find the earlier list or the new one, never half of one.
    if (!foundation::WriteDictionaryToFile(handoff, path, /*atomically=*/true)) {
        NSLog("Add Plist Failed");
        return false;
    }
    NSLog("Add Plist success");
    return true;
}
