// What a user of the installed library writes; exits non-zero when a call misbehaves.
#include <hostmark/hostmark.h>
#include <cstring>
int main() {
    char text[] = "hello", hex[11] = {}, code[11] = {}, uuid[1024], list[2048];
    const bool ok = KZUUID_Encrypt(text, hex, code) == 1 && std::strlen(code) == 10 &&
                    KZUUID_GetUUID(uuid) == 1 && Hostmark_GetIPAddress(list) == 1;
    return ok ? 0 : 1;
}
