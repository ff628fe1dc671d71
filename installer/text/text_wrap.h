// Fitting UTF-8 text into terminal columns: the display width of a text and greedy word
// wrapping. Widths are those the terminal library counts (character_width.h): East Asian
// wide characters and emoji take two columns, combining marks none. Lines end only where the
// Unicode line breaking rules allow (line_breaks.h), so an opening bracket never ends a line
// and closing punctuation never starts one.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// `text` made safe to show on a terminal: control characters (escape sequences among them)
// and bytes that are not well-formed UTF-8 become U+FFFD; line breaks stay when
// `keepLineBreaks` is set, else they become spaces.
std::string PrintableText(std::string_view text, bool keepLineBreaks);

// Columns that `text` takes on a terminal. Bytes that are not well-formed UTF-8 count as one
// column each (the terminal shows a replacement for each).
std::size_t DisplayWidth(std::string_view text);

// `text` cut to at most `width` columns, whole characters only: its beginning, or with
// `keepEnd` its end after "..." (for paths, whose end says the most).
std::string TruncateText(std::string_view text, std::size_t width, bool keepEnd = false);

// `text` broken into lines of at most `width` columns: at line breaks of the text, between
// words or East Asian characters where possible, and inside a word when it is wider than a
// line. Spaces at the ends of lines are dropped. A
// width of 0 is taken as 1. An empty text gives one empty line.
std::vector<std::string> WrapText(std::string_view text, std::size_t width);

}  // namespace installer
