// Installs a payload folder and kills itself (SIGKILL, so nothing of it runs on the way out)
// when the install reaches a given phase and step:
//   killed_install_helper PAYLOAD TEMPLATE HOME VERSION PHASE STEP [own]
// A PHASE of "-" installs without being killed; "own" lets the install move the payload's
// files, as it does an archive's unpacked for it. Exits 0 when installed, 1 when not.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/install/payload_install.h"

int main(int argc, char** argv) {
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: killed_install_helper PAYLOAD TEMPLATE HOME VERSION PHASE STEP [own]\n");
        return 2;
    }
    const std::string killPhase = argv[5];
    const std::size_t killStep = std::strtoul(argv[6], nullptr, 10);
    installer::InstallRequest request;
    request.pack = {"com.velmora.pack.storyboard", argv[4], "Quillet Storyboard Essentials Pack"};
    request.payloadPath = argv[1];
    request.destination = argv[2];
    request.home = argv[3];
    request.hostTitle = "Quillet 5 Studio";
    request.hostKind = "Maker";
    request.hostPath = argv[2];
    request.payloadIsOwn = argc == 8 && std::string(argv[7]) == "own";
    request.phaseReached = [&](std::string_view phase, std::size_t step) {
        if (phase == killPhase && step == killStep) std::raise(SIGKILL);
    };
    const installer::InstallReport report = installer::InstallPayload(request);
    if (!report.installed) std::fprintf(stderr, "%s\n", report.error.c_str());
    return report.installed ? 0 : 1;
}
