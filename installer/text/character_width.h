// Columns a character takes on a terminal, counted as ncursesw counts them: by the C library's
// wcwidth under a UTF-8 character type, so what the installer lays out lines up with what the
// terminal library draws. Only the calling thread's character type is switched, and only for
// the count; the process's locale stays as it is.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <cstdint>

namespace installer {

// Columns of the character `code`: 2 for East Asian wide characters and most emoji, 0 for
// combining marks and other characters that join the one before, 0 for control characters
// (which are never shown as they are), and 1 for everything else, characters the C library
// does not call printable among them (the terminal shows one replacement cell for each).
// Without a C.UTF-8 locale on the machine the widths come from libunistring instead.
std::size_t CharacterWidth(std::uint32_t code);

}  // namespace installer
