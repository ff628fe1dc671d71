// The user's languages, as every strings table of this system is chosen: from LC_ALL,
// LC_MESSAGES, then LANG ("C" and "POSIX" name none), each widened to the folder names it
// may go by ("zh_TW" gives zh_TW, zh-TW, zh-Hant, zh), then the development region's.
#pragma once

#include <string>
#include <vector>

#include "platform_export.h"

namespace foundation {

// The language names to try, best first; `developmentRegion` ("en" when empty) comes last.
PACKGATE_PLATFORM_API std::vector<std::string> PreferredLanguages(
    const std::string& developmentRegion);

// Whether `language` can name one .lproj folder: not empty, no separators, no climbing.
PACKGATE_PLATFORM_API bool IsSafeLanguage(const std::string& language);

}  // namespace foundation
