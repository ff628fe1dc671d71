// packgate-pane-host: runs the pack's pane for packgate-installer, which starts it with the
// socket on descriptor 3 and the bundle, machine root and home folder as arguments. It is
// not meant to be run by hand.
#include <cstdio>

#include "installer/pane_host/pane_server.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("packgate-pane-host: started by packgate-installer only\n", stderr);
        return 2;
    }
    return installer::pane_host::ServePane(3, {argv[1], argv[2], argv[3]});
}
