// The helper's side: loads the pack's pane in this process and answers the installer's
// requests on `socket` until the installer closes it.
#pragma once

#include <string>

namespace installer::pane_host {

struct ServedPane {
    std::string bundlePath;
    std::string machineRoot;
    std::string homeFolder;
    int demoInboxPort = 0;             // The demo machine's local inbox; 0: none.
    std::string demoInboxCertificate;  // Its certificate, PEM.
};

// Answers the process's exit status: 0 when the installer closed the socket, 1 when the
// bundle did not load (after saying why) or the socket failed.
int ServePane(int socket, const ServedPane& served);

}  // namespace installer::pane_host
