#include "installer/options.h"
#include "installer/command_line.h"

#include <charconv>
#include <functional>
#include <map>

namespace installer {
namespace {

struct Reader {
    std::span<const std::string> arguments;
    std::size_t next = 0;
};

std::optional<std::size_t> RowNumber(std::string_view text) {
    std::size_t row = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), row);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return row;
}

// Applies one option that takes a value; answers the error text, empty on success.
using ValueSetter = std::function<std::string(InstallerOptions&, const std::string&)>;

std::string SetPath(std::optional<std::string>& field, std::string_view name,
                    const std::string& value) {
    if (value.empty()) return std::string(name) + " needs a non-empty value";
    field = value;
    return {};
}

const std::map<std::string_view, ValueSetter>& ValueOptions() {
    static const std::map<std::string_view, ValueSetter> options{
        {"--bundle", [](auto& o, const auto& v) { return SetPath(o.bundlePath, "--bundle", v); }},
        {"--root", [](auto& o, const auto& v) { return SetPath(o.root, "--root", v); }},
        {"--home", [](auto& o, const auto& v) { return SetPath(o.home, "--home", v); }},
        {"--log", [](auto& o, const auto& v) { return SetPath(o.logPath, "--log", v); }},
        {"--choose",
         [](auto& o, const auto& v) -> std::string {
             const auto row = RowNumber(v);
             if (!row) return "--choose needs a row number (0, 1, ...), not \"" + v + "\"";
             o.chooseRow = row;
             return {};
         }},
        {"--check", [](auto& o, const auto& v) { return SetPath(o.checkPath, "--check", v); }},
        {"--trust",
         [](auto& o, const auto& v) -> std::string {
             if (v.empty()) return "--trust needs a public key file";
             o.trustKeys.push_back(v);
             return {};
         }},
        {"--demo-inbox",
         [](auto& o, const auto& v) -> std::string {
             const auto port = RowNumber(v);
             if (!port || *port == 0 || *port > 65535) return "--demo-inbox needs a port number";
             o.demoInboxPort = static_cast<int>(*port);
             return {};
         }},
        {"--demo-inbox-ca",
         [](auto& o, const auto& v) { return SetPath(o.demoInboxCa, "--demo-inbox-ca", v); }},
        {"--verify", [](auto& o, const auto& v) { return SetPath(o.verifyId, "--verify", v); }},
        {"--uninstall",
         [](auto& o, const auto& v) { return SetPath(o.uninstallId, "--uninstall", v); }},
        {"--choose-title",
         [](auto& o, const auto& v) -> std::string {
             o.chooseTitle = v;
             return {};
         }},
    };
    return options;
}

bool SetFlag(InstallerOptions& options, std::string_view name) {
    if (name == "--back") return options.back = true;
    if (name == "--json") return options.json = true;
    if (name == "--list") return options.list = true;
    if (name == "--help" || name == "-h") return options.help = true;
    if (name == "--version" || name == "-V") return options.version = true;
    if (name == "--yes" || name == "-y") return options.yes = true;
    if (name == "--allow-downgrade") return options.allowDowngrade = true;
    if (name == "--allow-unsigned") return options.allowUnsigned = true;
    if (name == "--list-installed") return options.listInstalled = true;
    if (name == "--gui") return options.gui = true;
    if (name == "--terminal") return options.terminal = true;
    return false;
}

std::string CheckCombination(const InstallerOptions& options) {
    if (options.chooseRow && options.chooseTitle) {
        return "--choose and --choose-title cannot be used together";
    }
    if (options.packPath && options.bundlePath) {
        return "--bundle runs a bare pane; it cannot be combined with a PACK";
    }
    if (options.demo && (options.root || options.home)) {
        return "--demo lays out its own machine; it cannot be combined with --root or --home";
    }
    // The demo's feedback goes to a local inbox; a real install always posts to the maker.
    if ((options.demoInboxPort || options.demoInboxCa) && !options.demo) {
        return "--demo-inbox and --demo-inbox-ca are for the demo machine; they need --demo";
    }
    if (options.demoInboxPort.has_value() != options.demoInboxCa.has_value()) {
        return "--demo-inbox and --demo-inbox-ca are given together";
    }
    if (options.list && (options.chooseRow || options.chooseTitle || options.back)) {
        return "--list only looks; it cannot be combined with --choose, --choose-title or --back";
    }
    const int commands = int(options.listInstalled) + int(options.verifyId.has_value()) +
                         int(options.uninstallId.has_value());
    if (commands > 1) return "--list-installed, --verify and --uninstall are used one at a time";
    if (options.gui && options.terminal) return "--gui and --terminal cannot be used together";
    if (options.gui && options.scripted()) {
        return "--gui cannot be combined with --choose, --choose-title, --back, --json, --yes "
               "or --list, which run scripted";
    }
    return {};
}

}  // namespace

ParsedOptions ParseOptions(std::span<const std::string> arguments) {
    InstallerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto [name, inlineValue] = SplitInline(arguments[i]);
        if (name == "--demo") {
            options.demo = true;
            if (inlineValue) {
                if (inlineValue->empty()) return {{}, "--demo= needs a folder"};
                options.demoFolder = inlineValue;
            } else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) {
                options.demoFolder = arguments[++i];
            }
            continue;
        }
        if (SetFlag(options, name)) {
            if (inlineValue) return {{}, std::string(name) + " takes no value"};
            continue;
        }
        if (!arguments[i].starts_with("-")) {
            if (options.packPath) return {{}, "only one PACK can be given"};
            options.packPath = arguments[i];
            continue;
        }
        const auto found = ValueOptions().find(name);
        if (found == ValueOptions().end()) {
            return {{}, "unknown argument \"" + arguments[i] + "\""};
        }
        const std::optional<std::string> value = OptionValue(arguments, i, inlineValue);
        if (!value) return {{}, std::string(name) + " needs a value"};
        if (std::string error = found->second(options, *value); !error.empty()) {
            return {{}, error};
        }
    }
    if (std::string error = CheckCombination(options); !error.empty()) return {{}, error};
    return {options, {}};
}

std::string UsageText(std::string_view program) {
    std::string text = "Usage: ";
    text += program;
    text += R"( [options] [PACK]

Runs the Packgate installer pane the way the Installer does: an introduction,
the pane (choose where the content pack goes), and a summary of the handoff list.
PACK is a NAME.pack folder or a tar, tar.gz, tar.xz or zip archive of one; without
it the program runs a bare pane (--bundle), or with --demo the demo pack.
A pack runs only when it is signed by a trusted key (ROOT/etc/packgate/trusted-keys,
--trust) that is not revoked (ROOT/etc/packgate/revoked-keys) and nothing in it
changed since; anything else is refused with exit code 2 before any of it is read.
On a terminal it is interactive; otherwise, or with --choose/--choose-title/--back/
--json, it runs scripted and prints what the pane shows and what happened.
With a display ($WAYLAND_DISPLAY or $DISPLAY set) and nothing scripted asked, it
opens a window instead.

Options:
  --bundle PATH        run a bare pane from this plug-in bundle, without a pack
                       (default: ../lib/packgate/Packgate.bundle beside the program)
  --root DIR           the folder that stands for "/" (machine-wide Library
                       folder DIR/Library); default /
  --home DIR           the user's home folder (DIR/Library); default $HOME
  --log FILE           the install log; default HOME/Library/Logs/Packgate-install.log
                       ("-" writes it to standard error)
  --choose N           choose the row with tag N (the first row is 0) and continue
  --choose-title TEXT  choose the row titled TEXT and continue
  --back               go back from the pane (with --choose: then come back to the
                       pane, which looks for the hosts again, and choose)
  --yes, -y            continue with the row the pane selects, without asking
                       (scripted)
  --json               print one JSON object instead of text (scripted), also
                       when the run cannot be set up
  --list               discovery only: print the offered rows and every copy turned
                       away, with its reason (with --json as data); writes nothing
  --check PACK         check a pack folder (NAME.pack) or a bundle folder for what
                       the pane will read, and a pack's signature; prints each
                       problem, exits 1 if any
  --demo [DIR]         lay out a demo machine in DIR (default: a new folder under
                       /tmp, kept) and run against it; without PACK or --bundle
                       it runs the demo pack (../lib/packgate/Demo.pack)
  --demo-inbox PORT    with --demo: send the pane's install reports to the inbox on
  --demo-inbox-ca FILE 127.0.0.1:PORT whose certificate is FILE (make run does)
  --allow-downgrade    install an older version of a pack over a newer one unasked
  --trust KEY.pub      trust the packs this minisign public key signs, for this run
                       (besides ROOT/etc/packgate/trusted-keys/*.pub); repeatable
  --allow-unsigned     run an unsigned pack, its code unchecked (refused as root)
  --list-installed     list the installed packs (with --json: as JSON)
  --verify ID          check the files of pack ID against its receipts
  --uninstall ID       remove pack ID's unchanged files and its receipts
  --gui                open the window even when no display variable is set
  --terminal           stay on the terminal even when a display is available
  --help               show this text
  --version, -V        show the version

Interactive keys: Up/Down (PgUp/PgDn, Home/End) choose a row, Enter or c
Continue, b Go Back, l show the install log (/ filters it), q quit. On a
terminal without a full screen (TERM=dumb, unset or unknown) it asks line by
line: type a row number, b to go back, q to quit.

Exit codes: 0 the pane let the installation go on; 3 the pane kept the user
(Continue refused or disabled, gone back, or quit); 2 bad usage or a pack
refused (unsigned, its key not trusted or revoked, or altered); 1 the bundle
could not be loaded, the run could not be set up, or the install failed; 130
and 143 interrupted by SIGINT (Ctrl-C) and SIGTERM. With --list: 0 a copy is
offered, 3 none. With --check: 0 clean, 1 problems found, 2 bad usage.
--verify: 0 intact, 1 files changed or missing, 2 no receipt of ID.
--uninstall: 0 removed, 1 files kept or not removable, 2 no receipt of ID.
)";
    return text;
}

}  // namespace installer
