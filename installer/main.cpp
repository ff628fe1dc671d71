// packgate-installer: hosts the Packgate pane the way the macOS Installer does.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/search_paths.h"
#include "installer/installer_run.h"
#include "installer/options.h"

int main(int argc, char** argv) {
    const std::string program = "packgate-installer";
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const installer::ParsedOptions parsed = installer::ParseOptions(arguments);
    if (!parsed.options) {
        const bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
        return installer::ReportBadUsage(program, parsed.error, json, std::cout, std::cerr);
    }
    const installer::InstallerOptions& options = *parsed.options;
    if (options.help) {
        std::cout << installer::UsageText(program);
        return 0;
    }
    if (options.version) {
        std::cout << program << " " << PACKGATE_VERSION << "\n";
        return 0;
    }
    return installer::RunInstaller(options, std::cout, std::cerr);
}
