// The command line of packgate-installer.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

struct InstallerOptions {
    std::optional<std::string> packPath;     // PACK: the pack folder or archive to run
    std::optional<std::string> bundlePath;   // --bundle
    std::optional<std::string> root;         // --root: the folder that stands for "/"
    std::optional<std::string> home;         // --home: the user's home folder
    std::optional<std::string> logPath;      // --log: the install log ("-": standard error)
    std::optional<std::size_t> chooseRow;    // --choose: the row with this tag
    std::optional<std::string> chooseTitle;  // --choose-title: the row with this title
    bool back = false;                       // --back
    bool yes = false;                        // --yes: take the pane's choice without asking
    bool json = false;                       // --json
    bool demo = false;                       // --demo
    std::optional<std::string> demoFolder;   // --demo DIR
    std::optional<int> demoInboxPort;        // --demo-inbox PORT: the local inbox's port
    std::optional<std::string> demoInboxCa;  // --demo-inbox-ca FILE: its certificate
    bool list = false;                       // --list: discovery only, nothing written
    std::optional<std::string> checkPath;    // --check PACK: check a pack or bundle folder
    bool help = false;
    bool version = false;
    bool allowDowngrade = false;             // --allow-downgrade
    std::vector<std::string> trustKeys;      // --trust PUBKEY (repeatable): trusted for this run
    bool allowUnsigned = false;              // --allow-unsigned: run an unsigned pack (not as root)
    // The receipt commands, which run no pane (receipt_commands.h).
    bool listInstalled = false;              // --list-installed
    std::optional<std::string> verifyId;     // --verify ID
    std::optional<std::string> uninstallId;  // --uninstall ID

    // Whether the command line asks for a receipt command instead of a run of the pane.
    bool receiptCommand() const { return listInstalled || verifyId || uninstallId; }
    bool gui = false;       // --gui: the window, even without a display variable set
    bool terminal = false;  // --terminal: never the window

    // Whether the command line asks for a scripted run whatever the terminal.
    bool scripted() const { return chooseRow || chooseTitle || back || json || yes || list; }
};

struct ParsedOptions {
    std::optional<InstallerOptions> options;  // Nothing when the command line is bad.
    std::string error;                        // Why, in one line.
};

// Reads the arguments after the program name. Options take their value as the next
// argument or after "=" (--root=/tmp/m); --demo takes a folder only as --demo=DIR or as a
// next argument that does not start with "-". The one argument that is no option is PACK.
ParsedOptions ParseOptions(std::span<const std::string> arguments);

// The usage text, ending in a line break.
std::string UsageText(std::string_view program);

}  // namespace installer
