// The rules that turn the platform UUID into the text KZUUID_GetUUID writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hostmark {

// Size of the caller's UUID buffer.
inline constexpr std::size_t kUUIDBufferSize = 1024;

// A UUID that begins with "00000000-0000-1000-8000-" becomes the part after its last '-' in
// lower case; any other text is kept as it is, letter case included. Bytes that are not
// valid UTF-8 give the empty text.
std::string UUIDText(std::string_view platformUUID);

// Zeroes the `kUUIDBufferSize` bytes of `output` and copies at most kUUIDBufferSize - 1
// characters of `text` into it, so the text always ends inside the buffer.
void WriteUUIDText(std::string_view text, char* output);

}  // namespace hostmark
