// Entering the pane: the first feedback record, the setup values, both discovery routes, and
// the rows, label and Continue button that show their outcome.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/system_log.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

using foundation::NSLog;

namespace {

// The view shows eight rows; the arrays start with room for as many.
constexpr std::size_t kInitialRowCapacity = 8;

std::vector<std::string> NewRowArray() {
    std::vector<std::string> rows;
    rows.reserve(kInitialRowCapacity);
    return rows;
}

// The label shown when no host is offered.
const char* EmptyListLabelKey(bool hostFound, int tooOld) {
    if (!hostFound) return "ID_NOAP_DESCRIPTION";
    return tooOld > 0 ? "ID_NOSUITABLEAP_DESCRIPTION" : "ID_NOSUPPORT_EDITION_DESCRIPTION";
}

}  // namespace

void PackgatePane::didEnterPane(InstallerSectionDirection /*direction*/) {
    // Forward and back do the same: every entry starts over from the machine as it is now.
    renewFeedbackLog();
    cKZFeedbackLog->CollectLog("Resource-Step1", "", 0);
    gsUserLog = cKZFeedbackLog->GetUserLog();
    NSLog("didEnterPane");

    GetInstallInfo();
    resetRowArrays();
    candidates_.clear();
    DiscoveryTally tally;
    walkDirectRoute(tally);
    walkStoreRoute(tally);
    presentRows(tally);
    logTurnedAway();
}

void PackgatePane::resetRowArrays() {
    setKProductTitle(NewRowArray());
    setM_kProductInstallPath(NewRowArray());
    setM_kProductTemplatePath(NewRowArray());
    setM_kProductEM2(NewRowArray());
    setM_kProductType(NewRowArray());
    setM_kRevCode(NewRowArray());
    setM_kapPlistPath(NewRowArray());
}

bool PackgatePane::isTooOld(DiscoveryTally& tally) const {
    if (gstrSOURCEVersion.intValue() <= strRevCode.intValue()) return false;
    ++tally.tooOld;
    return true;
}

void PackgatePane::appendRow(HostRow row) {
    // All seven arrays grow together, so a row's tag indexes every one of them.
    _kProductTitle.push_back(std::move(row.title));
    _m_kProductInstallPath.push_back(std::move(row.installPath));
    _m_kProductTemplatePath.push_back(std::move(row.templatePath));
    _m_kProductEM2.push_back(std::move(row.em2));
    _m_kProductType.push_back(std::move(row.productType));
    _m_kRevCode.push_back(std::move(row.revCode));
    _m_kapPlistPath.push_back(std::move(row.plistPath));
}

void PackgatePane::presentRows(const DiscoveryTally& tally) {
    const std::size_t rowCount = _kProductTitle.size();
    if (_m_pMatrix) {
        // Rows removed on an earlier entry, or a ninth host, would otherwise have no cell.
        while (_m_pMatrix->numberOfRows() < rowCount) _m_pMatrix->addRow();
    }
    const auto cells = _m_pMatrix ? _m_pMatrix->cells() : std::vector<appkit::ButtonCell*>();

    setLabelText("ID_CONTENTINSTALL_DESCRIPTION");
    for (std::size_t i = 0; i < rowCount && i < cells.size(); ++i) {
        cells[i]->setTitle(_kProductTitle[i]);
        cells[i]->setTag(static_cast<long>(i));
    }
    fitMatrixToRows(rowCount);

    if (rowCount != 0) {
        NSLog("Exit Yes");
        setNextEnabled(true);
        return;
    }
    setLabelText(EmptyListLabelKey(tally.hostFound, tally.tooOld));
    setNextEnabled(false);
}

void PackgatePane::fitMatrixToRows(std::size_t rowCount) {
    if (!_m_pMatrix) return;
    // Bottom row first, so the rows above keep their indices and tags.
    for (std::size_t rows = _m_pMatrix->numberOfRows(); rows > rowCount; --rows) {
        RemoveMatrixRow(static_cast<std::int32_t>(rows - 1));
    }
    // A radio list always has a choice; removing the selected row leaves none.
    if (rowCount != 0 && !_m_pMatrix->selectedCell()) _m_pMatrix->selectCellAtRow(0);
}

void PackgatePane::setLabelText(const std::string& key) {
    if (_m_pLabel) _m_pLabel->setStringValue(_localizedStringForKey(key));
}
