// packgate-pane-host: runs the pack's pane for packgate-installer, which starts it with the
// socket on descriptor 3 and the bundle, machine root and home folder as arguments. It is
// not meant to be run by hand.
#include <cstdio>
#include <cstdlib>

#include "installer/pane_host/pane_server.h"

int main(int argc, char** argv) {
    // BUNDLE ROOT HOME, then for the demo machine's local inbox PORT CERTIFICATE-PEM.
    if (argc != 4 && argc != 6) {
        std::fputs("packgate-pane-host: started by packgate-installer only\n", stderr);
        return 2;
    }
    installer::pane_host::ServedPane served{argv[1], argv[2], argv[3], 0, {}};
    if (argc == 6) {
        served.demoInboxPort = std::atoi(argv[4]);
        served.demoInboxCertificate = argv[5];
    }
    return installer::pane_host::ServePane(3, served);
}
