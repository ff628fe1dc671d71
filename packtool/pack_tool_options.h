// The command line of packgate-pack: one command (keygen, create, sign, verify, archive) and
// the options it takes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "packtool/archive_format.h"

namespace packtool {

enum class PackCommand { None, Keygen, Create, Sign, Verify, Archive };

struct PackToolOptions {
    PackCommand command = PackCommand::None;
    bool help = false;     // --help, -h
    bool version = false;  // --version, -V (before a command)

    std::optional<std::string> packPath;       // PACK of create, sign, verify, archive
    std::optional<std::string> publicKeyPath;  // -p: written by keygen, read by verify
    std::optional<std::string> secretKeyPath;  // -s: written by keygen, read by sign
    std::optional<std::string> comment;        // -c: the key's name (keygen)
    bool noPassword = false;                   // -W: the secret key is not encrypted (keygen)
    std::optional<std::string> passwordFile;   // --password-file: the password's first line
    bool force = false;                        // -f: replace what is there

    // create
    std::optional<std::string> payloadPath;  // --payload DIR
    std::optional<std::string> identifier;   // --identifier ID
    std::optional<std::string> packVersion;  // --version VERSION
    std::optional<std::string> title;        // --title TITLE
    std::optional<std::string> bundlePath;   // --bundle PATH (default: the built bundle)

    // archive
    std::optional<std::string> outputPath;      // -o FILE (default: PACK.tar.xz or PACK.zip)
    std::optional<ArchiveFormat> format;        // --format (default: from -o, else tar.xz)
};

struct ParsedPackToolOptions {
    std::optional<PackToolOptions> options;  // Nothing when the command line is bad.
    std::string error;                       // Why, in one line.
};

// Reads the arguments after the program name: the command first, then its options, whose
// values come as the next argument or after "=" (--output=x.zip). Each command takes only its
// own options, and refuses to run without the ones it needs.
ParsedPackToolOptions ParsePackToolOptions(std::span<const std::string> arguments);

// The usage text, ending in a line break.
std::string PackToolUsageText(std::string_view program);

}  // namespace packtool
