// The UTF-8 <-> wide conversions behind ConvertToString / ConvertToWstring, over a pointer and
// a length so that callers holding a C string need not copy it into a string object first.
#pragma once

#include <cstddef>
#include <string>

namespace cipherkit {

// The UTF-8 form of the `count` characters of `text`, up to a zero character or the first
// one without a UTF-8 form.
std::string Utf8FromWide(const wchar_t* text, std::size_t count);
// The wide form of the `length` bytes of `text`, up to a zero byte or the first invalid
// sequence.
std::wstring WideFromUtf8(const char* text, std::size_t length);

}  // namespace cipherkit
