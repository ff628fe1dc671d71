// Platform UUID entry points.
#include <hostmark/machine_id.h>

#include <system/system_info.h>

#include "uuid_text.h"

extern "C" int KZUUID_GetUUID(char* output) {
    // Nothing may leave a C entry point as an exception; an unreadable UUID is the empty text.
    try {
        hostmark::WriteUUIDText(hostmark::UUIDText(platform::PlatformUUID()), output);
    } catch (...) {
        hostmark::WriteUUIDText({}, output);
    }
    return 1;
}

extern "C" int Hostmark_GetUUID(char* output) {
    return KZUUID_GetUUID(output);
}
