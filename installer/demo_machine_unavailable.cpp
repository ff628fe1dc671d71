// The demo machine in a build without the fake-machine fixture (configured without tests).
#include "installer/demo_machine.h"

namespace installer {

bool DemoMachineAvailable() {
    return false;
}

std::unique_ptr<DemoMachine> CreateDemoMachine(const std::optional<std::string>&, const PackInfo&,
                                               std::string& error) {
    error = "this build has no demo machine (it was configured with PACKGATE_TESTS=OFF)";
    return nullptr;
}

}  // namespace installer
