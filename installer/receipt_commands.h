// The receipt commands of packgate-installer: --list-installed, --verify ID, --uninstall ID,
// over the receipts in <home>/Library/Receipts/Packgate (installer/install/receipt.h).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <ostream>

#include "installer/options.h"

namespace installer {

inline constexpr int kReceiptIntact = 0;
inline constexpr int kReceiptDamaged = 1;  // Files changed or missing (verify), kept (uninstall).
inline constexpr int kReceiptNone = 2;     // No receipt of that identifier.

// Runs the one receipt command `options` names for the home `home`; answers the exit code.
int RunReceiptCommand(const InstallerOptions& options, const std::string& home, std::ostream& out,
                      std::ostream& err);

}  // namespace installer
