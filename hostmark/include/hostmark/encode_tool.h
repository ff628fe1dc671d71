// The encode tool: turns a text into its RC4 cipher text in upper-case hex under the
// library's fixed passphrase, and a ten-character lower-case code taken from the MD5 digest
// of that cipher text with a fixed salt. The code cannot be turned back into the text; the
// cipher text can, with the passphrase (libcipherkit's Decrypt). This obscures; it does not
// protect. Safe on several threads with separate buffers. Buffers are not checked:
// `hexOutput` needs 2 * strlen(`text`) + 1 bytes and `codeOutput` 11 bytes.
#pragma once

#include <hostmark/export.h>

// Returns 1 with both outputs written, or 0 with neither touched when a pointer is null or
// `text` is empty.
HOSTMARK_API int Encrypt(char* text, char* hexOutput, char* codeOutput);

extern "C" {

// Runs the three-argument Encrypt and returns 1 whatever its outcome: tell success by the
// outputs (an empty text leaves them untouched).
HOSTMARK_API int KZUUID_Encrypt(char* text, char* hexOutput, char* codeOutput);
// Forwards to KZUUID_Encrypt.
HOSTMARK_API int Hostmark_EncodeTool(char* text, char* hexOutput, char* codeOutput);

}  // extern "C"
