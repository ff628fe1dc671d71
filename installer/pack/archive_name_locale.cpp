#include "installer/pack/archive_name_locale.h"

namespace installer {

ArchiveNameLocale::ArchiveNameLocale() {
    // Everything of the thread's current locale, with UTF-8 characters.
    locale_t base = duplocale(uselocale(static_cast<locale_t>(0)));
    if (base == static_cast<locale_t>(0)) return;
    utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
    if (utf8_ == static_cast<locale_t>(0)) {
        freelocale(base);
        return;
    }
    previous_ = uselocale(utf8_);
}

ArchiveNameLocale::~ArchiveNameLocale() {
    if (utf8_ == static_cast<locale_t>(0)) return;
    uselocale(previous_);
    freelocale(utf8_);
}

}  // namespace installer
