// The archive library turns entry names between UTF-8 and the locale's characters. In the
// "C" locale a UTF-8 name such as "Café.txt" cannot be turned at all: a zip entry flagged
// UTF-8 then reads as no name, and a writer cannot store one. While an object of this class
// lives, the calling thread's characters are UTF-8 (other threads and the process's locale
// are left as they are).
#pragma once

#include <locale.h>

namespace installer {

class ArchiveNameLocale {
  public:
    ArchiveNameLocale();
    ~ArchiveNameLocale();
    ArchiveNameLocale(const ArchiveNameLocale&) = delete;
    ArchiveNameLocale& operator=(const ArchiveNameLocale&) = delete;

  private:
    locale_t utf8_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace installer
