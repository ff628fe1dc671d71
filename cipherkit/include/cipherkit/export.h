// Marks the functions a library of this family exports. Both libraries are built with hidden
// visibility, so a declaration without this mark stays inside the library that defines it.
// libhostmark compiles libcipherkit's MD5 and RC4 sources too and exports them through the
// same mark.
#pragma once

#define CIPHERKIT_API __attribute__((visibility("default")))
