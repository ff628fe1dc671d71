// Dash filter (libcipherkit only).
#include <cstddef>

#include <cipherkit/patch_query.h>

void patch_query(const char* input, char* output) {
    // The write position never passes the read position, so filtering in place is safe.
    std::size_t write = 0;
    for (std::size_t read = 0; input[read] != '\0'; ++read) {
        if (input[read] != '-') output[write++] = input[read];
    }
    output[write] = '\0';
}
