// Dash filter for identifiers such as UUIDs. libcipherkit only.
#pragma once

#include <cipherkit/export.h>

// Copies `input` into `output` without its '-' characters and ends it with a zero byte.
// `output` needs strlen(`input`) + 1 bytes and may be `input` itself. Pointers are not
// checked.
CIPHERKIT_API void patch_query(const char* input, char* output);
