// packgate-inbox: the maker's inbox for the install reports the pane sends.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "inbox/commands/commands.h"

namespace {

constexpr const char* kUsage =
    "usage: packgate-inbox serve [--database DB] [--listen ADDRESS:PORT]\n"
    "                            (--cert FILE --key FILE | --self-signed [--cert FILE] [--name HOST]...)\n"
    "                            [--rate PER_MINUTE] [--token-file FILE] [--workers N]\n"
    "       packgate-inbox list  [--database DB] [--since DATE] [--machine ID] [--serial EM2]\n"
    "                            [--version VERSION] [--limit N] [--json]\n"
    "       packgate-inbox stats [--database DB] [same filters] [--json]\n"
    "DB is a SQLite file (default packgate-inbox.sqlite) or postgresql://...\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "serve") return inbox::ServeCommand(arguments);
    if (command == "list") return inbox::ListCommand(arguments);
    if (command == "stats") return inbox::StatsCommand(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("packgate-inbox %s\n", PACKGATE_VERSION);
        return 0;
    }
    std::fprintf(stderr, "packgate-inbox: unknown command %s\n%s", command.c_str(), kUsage);
    return 2;
}
