#include "installer/install/payload_install.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {

InstallReport ReportFor(const InstallRequest& request) {
    InstallReport report;
    report.packIdentifier = request.pack.identifier;
    report.packVersion = request.pack.version;
    report.packTitle = request.pack.title;
    report.hostTitle = request.hostTitle;
    report.destination = request.destination;
    return report;
}

}  // namespace installer
