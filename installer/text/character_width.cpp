#include "installer/text/character_width.h"

#include <locale.h>
#include <uniwidth.h>
#include <wchar.h>

namespace installer {
namespace {

// Made once and kept for the life of the process; (locale_t)0 when the machine lacks it.
locale_t Utf8CharacterType() {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return utf8;
}

int LibraryWidth(std::uint32_t code) {
    const locale_t utf8 = Utf8CharacterType();
    if (utf8 == static_cast<locale_t>(0)) return uc_width(code, "UTF-8");
    const locale_t previous = uselocale(utf8);
    const int width = wcwidth(static_cast<wchar_t>(code));
    uselocale(previous);
    return width;
}

}  // namespace

std::size_t CharacterWidth(std::uint32_t code) {
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 0;
    const int width = LibraryWidth(code);
    return width < 0 ? 1 : static_cast<std::size_t>(width);
}

}  // namespace installer
