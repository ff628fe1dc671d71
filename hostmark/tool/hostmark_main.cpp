// hostmark: the machine identity library from the command line.
//   hostmark uuid          the platform UUID text
//   hostmark ip            the IPv4 address list ("address-netmask" joined by "+")
//   hostmark encode TEXT   the hex cipher text and the ten-character code, one a line
#include <hostmark/hostmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: hostmark uuid | hostmark ip | hostmark encode TEXT | hostmark --help | "
    "hostmark --version\n"
    "  uuid          print the machine's platform UUID\n"
    "  ip            print the IPv4 addresses and netmasks, joined by '+'\n"
    "  encode TEXT   print TEXT's hex cipher text and its ten-character code\n";

int UsageError(const char* message) {
    std::fprintf(stderr, "hostmark: %s\n%s", message, kUsage);
    return kUsageError;
}

int PrintUUID() {
    char uuid[1024];
    Hostmark_GetUUID(uuid);
    if (uuid[0] == '\0') {
        std::fprintf(stderr, "hostmark: the platform UUID could not be read\n");
        return 1;
    }
    std::printf("%s\n", uuid);
    return 0;
}

int PrintAddresses() {
    char list[2048];
    if (Hostmark_GetIPAddress(list) != 1) {
        std::fprintf(stderr, "hostmark: the system gave no interface list\n");
        return 1;
    }
    std::printf("%s\n", list);
    return 0;
}

int PrintEncoded(const char* text) {
    std::string input = text;
    std::vector<char> hex(2 * input.size() + 1, '\0');
    char code[11] = {};
    Hostmark_EncodeTool(input.data(), hex.data(), code);
    std::printf("%s\n%s\n", hex.data(), code);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return UsageError("a command is needed");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        if (argc != 2) return UsageError("--help takes no arguments");
        std::printf("%s", kUsage);
        return 0;
    }
    if (command == "--version" || command == "-V") {
        if (argc != 2) return UsageError("--version takes no arguments");
        std::printf("hostmark %s\n", HOSTMARK_VERSION);
        return 0;
    }
    if (command == "uuid" || command == "ip") {
        if (argc != 2) return UsageError((command + " takes no arguments").c_str());
        return command == "uuid" ? PrintUUID() : PrintAddresses();
    }
    if (command == "encode") {
        if (argc != 3) return UsageError("encode takes exactly one TEXT");
        if (argv[2][0] == '\0') return UsageError("encode needs a non-empty TEXT");
        return PrintEncoded(argv[2]);
    }
    return UsageError(("unknown command '" + command + "'").c_str());
}
