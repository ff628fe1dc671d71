// packgate-pack: makes, signs, checks and archives content packs for packgate-installer.
#include <iostream>
#include <string>
#include <vector>

#include "packtool/commands.h"
#include "packtool/pack_tool_options.h"

int main(int argc, char** argv) {
    using namespace packtool;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedPackToolOptions parsed = ParsePackToolOptions(arguments);
    if (!parsed.options) {
        std::cerr << kProgram << ": " << parsed.error << "\n\n" << PackToolUsageText(kProgram);
        return kExitBadInput;
    }
    const PackToolOptions& options = *parsed.options;
    if (options.help) {
        std::cout << PackToolUsageText(kProgram);
        return kExitDone;
    }
    if (options.version) {
        std::cout << kProgram << " " << PACKGATE_VERSION << "\n";
        return kExitDone;
    }
    switch (options.command) {
        case PackCommand::Keygen: return RunKeygen(options, std::cout, std::cerr);
        case PackCommand::Create: return RunCreate(options, std::cout, std::cerr);
        case PackCommand::Sign: return RunSign(options, std::cout, std::cerr);
        case PackCommand::Verify: return RunVerify(options, std::cout, std::cerr);
        case PackCommand::Archive: return RunArchive(options, std::cout, std::cerr);
        case PackCommand::None: break;
    }
    return kExitBadInput;
}
