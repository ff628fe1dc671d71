// What a user of the installed library writes; exits non-zero when the round trip fails.
#include <cipherkit/cipherkit.h>
#include <cstring>
int main() {
    char* hex = Encrypt("hello", "key");
    char* plain = Decrypt(hex, "key");
    const bool ok = std::strlen(hex) == 10 && std::strcmp(plain, "hello") == 0;
    delete[] hex;
    delete[] plain;
    return ok ? 0 : 1;
}
