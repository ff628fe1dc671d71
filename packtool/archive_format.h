// The archive forms packgate-pack writes, both of which packgate-installer opens.
#pragma once

#include <optional>
#include <string_view>

namespace packtool {

enum class ArchiveFormat { TarXz, Zip };

// The format named `name` ("tar.xz", "zip"), or nothing.
inline std::optional<ArchiveFormat> ArchiveFormatNamed(std::string_view name) {
    if (name == "tar.xz") return ArchiveFormat::TarXz;
    if (name == "zip") return ArchiveFormat::Zip;
    return std::nullopt;
}

// The format a file name asks for by its ending (".tar.xz", ".txz", ".zip"), or nothing.
inline std::optional<ArchiveFormat> ArchiveFormatOfName(std::string_view file) {
    if (file.ends_with(".tar.xz") || file.ends_with(".txz")) return ArchiveFormat::TarXz;
    if (file.ends_with(".zip")) return ArchiveFormat::Zip;
    return std::nullopt;
}

// The file ending of `format`: ".tar.xz" or ".zip".
inline std::string_view ArchiveEnding(ArchiveFormat format) {
    return format == ArchiveFormat::Zip ? ".zip" : ".tar.xz";
}

}  // namespace packtool
