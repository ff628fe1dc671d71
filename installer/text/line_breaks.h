// Where a line of text may be broken, by the Unicode line breaking rules as libunistring
// applies them: between words, between East Asian characters, never after an opening bracket
// or quotation mark, never before closing punctuation (「繼續」。 stays whole at a line's end).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string_view>
#include <vector>

namespace installer {

// One entry per byte of `text`: whether a line may begin at that byte. The first byte and
// bytes inside a character never allow one. Bytes that are not well-formed UTF-8 read as
// U+FFFD.
std::vector<bool> LineBreakOpportunities(std::string_view text);

}  // namespace installer
