#include "packtool/pack_tool_options.h"
#include "installer/command_line.h"

#include <array>
#include <utility>

namespace packtool {
namespace {

constexpr unsigned Bit(PackCommand command) { return 1u << static_cast<unsigned>(command); }
constexpr unsigned kKeygen = Bit(PackCommand::Keygen);
constexpr unsigned kCreate = Bit(PackCommand::Create);
constexpr unsigned kSign = Bit(PackCommand::Sign);
constexpr unsigned kVerify = Bit(PackCommand::Verify);
constexpr unsigned kArchive = Bit(PackCommand::Archive);

struct CommandName {
    std::string_view name;
    PackCommand command;
};

constexpr std::array<CommandName, 5> kCommands{{{"keygen", PackCommand::Keygen},
                                                {"create", PackCommand::Create},
                                                {"sign", PackCommand::Sign},
                                                {"verify", PackCommand::Verify},
                                                {"archive", PackCommand::Archive}}};

std::string_view NameOf(PackCommand command) {
    for (const CommandName& entry : kCommands) {
        if (entry.command == command) return entry.name;
    }
    return "";
}

using TextField = std::optional<std::string> PackToolOptions::*;
using FlagField = bool PackToolOptions::*;

// One option: its long and short names, the commands that take it, and where it goes. An
// option with a text field takes a value; one with a flag field takes none. --format is read
// on its own, since its value is checked.
struct OptionRule {
    std::string_view longName;
    std::string_view shortName;
    unsigned commands;
    TextField text = nullptr;
    FlagField flag = nullptr;
};

const std::array<OptionRule, 15>& OptionRules() {
    static const std::array<OptionRule, 15> rules{{
        {"--public-key", "-p", kKeygen | kVerify, &PackToolOptions::publicKeyPath},
        {"--secret-key", "-s", kKeygen | kSign, &PackToolOptions::secretKeyPath},
        {"--comment", "-c", kKeygen, &PackToolOptions::comment},
        {"--no-password", "-W", kKeygen, nullptr, &PackToolOptions::noPassword},
        {"--password-file", "", kKeygen | kSign, &PackToolOptions::passwordFile},
        {"--force", "-f", kKeygen | kCreate | kArchive, nullptr, &PackToolOptions::force},
        {"--payload", "", kCreate, &PackToolOptions::payloadPath},
        {"--identifier", "-i", kCreate, &PackToolOptions::identifier},
        {"--version", "", kCreate, &PackToolOptions::packVersion},
        {"--title", "-t", kCreate, &PackToolOptions::title},
        {"--bundle", "", kCreate, &PackToolOptions::bundlePath},
        {"--output", "-o", kArchive, &PackToolOptions::outputPath},
        {"--format", "", kArchive},
        {"--help", "-h", ~0u, nullptr, &PackToolOptions::help},
        {"--version", "-V", Bit(PackCommand::None), nullptr, &PackToolOptions::version},
    }};
    return rules;
}

// The rule of `name` for `command`; the second answer says whether the name is known at all.
std::pair<const OptionRule*, bool> FindRule(std::string_view name, PackCommand command) {
    bool known = false;
    for (const OptionRule& rule : OptionRules()) {
        if (name != rule.longName && (rule.shortName.empty() || name != rule.shortName)) continue;
        known = true;
        if (rule.commands & Bit(command)) return {&rule, true};
    }
    return {nullptr, known};
}

std::string SetValue(PackToolOptions& options, const OptionRule& rule, std::string_view shown,
                     const std::string& value) {
    if (value.empty()) return std::string(shown) + " needs a non-empty value";
    if (rule.longName == "--format") {
        options.format = ArchiveFormatNamed(value);
        if (!options.format) return "--format is tar.xz or zip, not \"" + value + "\"";
        return {};
    }
    if (options.*rule.text) return std::string(shown) + " is given twice";
    options.*rule.text = value;
    return {};
}

// What the command needs and what cannot go together; empty when the command line is whole.
std::string CheckCommand(const PackToolOptions& o) {
    const std::string name(NameOf(o.command));
    const auto missing = [&](std::string_view what) { return name + " needs " + std::string(what); };
    switch (o.command) {
        case PackCommand::None: return "a command is needed: keygen, create, sign, verify or archive";
        case PackCommand::Keygen:
            if (!o.publicKeyPath) return missing("-p PUBLIC-KEY-FILE");
            if (!o.secretKeyPath) return missing("-s SECRET-KEY-FILE");
            if (o.packPath) return "keygen takes no PACK";
            if (o.noPassword && o.passwordFile) return "-W and --password-file cannot be used together";
            if (*o.publicKeyPath == *o.secretKeyPath) return "the public and secret key files must differ";
            return {};
        case PackCommand::Create:
            if (!o.packPath) return missing("the PACK folder to make");
            if (!o.payloadPath) return missing("--payload DIR");
            if (!o.identifier) return missing("--identifier ID");
            if (!o.packVersion) return missing("--version VERSION");
            if (!o.title) return missing("--title TITLE");
            return {};
        case PackCommand::Sign:
            if (!o.packPath) return missing("a PACK folder");
            if (!o.secretKeyPath) return missing("-s SECRET-KEY-FILE");
            return {};
        case PackCommand::Verify:
            if (!o.packPath) return missing("a PACK");
            if (!o.publicKeyPath) return missing("-p PUBLIC-KEY-FILE");
            return {};
        case PackCommand::Archive:
            if (!o.packPath) return missing("a PACK folder");
            return {};
    }
    return {};
}

std::optional<PackCommand> CommandNamed(std::string_view name) {
    for (const CommandName& entry : kCommands) {
        if (entry.name == name) return entry.command;
    }
    return std::nullopt;
}

}  // namespace

ParsedPackToolOptions ParsePackToolOptions(std::span<const std::string> arguments) {
    PackToolOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("-") || argument == "-") {
            if (options.command == PackCommand::None) {
                const auto command = CommandNamed(argument);
                if (!command) return {{}, "unknown command \"" + argument + "\""};
                options.command = *command;
            } else if (options.packPath) {
                return {{}, "only one PACK can be given"};
            } else {
                options.packPath = argument;
            }
            continue;
        }
        const auto [name, inlineValue] = installer::SplitInline(argument);
        const auto [rule, known] = FindRule(name, options.command);
        if (!rule && known && options.command != PackCommand::None) {
            return {{}, std::string(NameOf(options.command)) + " does not take " + std::string(name)};
        }
        if (!rule && known) return {{}, std::string(name) + " belongs after a command"};
        if (!rule) return {{}, "unknown argument \"" + argument + "\""};
        if (rule->flag) {
            if (inlineValue) return {{}, std::string(name) + " takes no value"};
            options.*rule->flag = true;
            continue;
        }
        const std::optional<std::string> value = installer::OptionValue(arguments, i, inlineValue);
        if (!value) return {{}, std::string(name) + " needs a value"};
        if (std::string error = SetValue(options, *rule, name, *value); !error.empty()) {
            return {{}, error};
        }
    }
    if (options.help || options.version) return {options, {}};
    if (std::string error = CheckCommand(options); !error.empty()) return {{}, error};
    return {options, {}};
}

std::string PackToolUsageText(std::string_view program) {
    const std::string p(program);
    return "Usage: " + p + " COMMAND [options]\n" + R"(
Makes, signs, checks and archives content packs for packgate-installer.

Commands:
  keygen -p PUB -s SEC [-c NAME] [-W | --password-file FILE] [-f]
        make a key pair: the public key PUB (give it to the users who install your
        packs) and the secret key SEC (readable by you alone), encrypted with a
        password asked twice on the terminal, or read from FILE; -W leaves the secret
        key unencrypted (for build machines). NAME is the key's name that installers
        show ("Signed by NAME"). Existing files are kept unless -f is given.
  create PACK --payload DIR --identifier ID --version VERSION --title TITLE
         [--bundle PATH] [-f]
        make the pack folder PACK (NAME.pack): Contents/Info.plist, the pane's bundle
        (default: the built or installed Packgate.bundle) and DIR's files as the
        payload. An existing PACK is replaced only with -f.
  sign PACK -s SEC [--password-file FILE]
        write PACK's manifest (Contents/Signature/Manifest.plist) and its signature
        (Manifest.plist.minisig), replacing earlier ones.
  verify PACK -p PUB
        check that PACK (a folder or an archive) is signed by the key PUB and that
        nothing in it changed since; prints who signed it, or the first difference.
  archive PACK [-o FILE] [--format tar.xz|zip] [-f]
        pack the folder PACK into one reproducible archive (default PACK.tar.xz):
        entries sorted, owners root, times fixed (SOURCE_DATE_EPOCH, else
        1980-01-01), so that two runs give the same bytes.

Options:
  -p, --public-key FILE    the public key file
  -s, --secret-key FILE    the secret key file
  -c, --comment NAME       the key's name (keygen)
  -W, --no-password        keygen: do not encrypt the secret key
  --password-file FILE     read the password from FILE's first line ("-": standard
                           input) instead of the terminal
  -f, --force              replace existing files
  -o, --output FILE        the archive to write
  --format FORMAT          tar.xz or zip (default: from FILE's name, else tar.xz)
  -h, --help               show this text
  -V, --version            show the version

Exit codes: 0 done (verify: signed and intact); 1 failed (a file could not be read
or written, a wrong password); 2 bad usage or a bad pack (verify: not signed by
that key, or changed since it was signed).
)";
}

}  // namespace packtool
