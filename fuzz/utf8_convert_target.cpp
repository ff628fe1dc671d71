// The two UTF-8 converters of the system, libcipherkit's ConvertToString/ConvertToWstring
// and the feedback log's own decoder, against each other and against a plain reference
// codec. The input is read both as UTF-8 bytes and, four bytes a character, as a wide text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <cipherkit/utf8_convert.h>

#include "feedback/wide_text.h"
#include "fuzz_check.h"
#include "utf8_reference.h"

namespace {

std::wstring Wide(const std::u32string& text) {
    return std::wstring(text.begin(), text.end());
}

void CheckNarrow(std::string_view bytes) {
    const std::string text(bytes);
    const std::wstring expected = Wide(packgate_fuzz::DecodeUtf8Prefix(text));
    const std::wstring cipherkitWide = ConvertToWstring(text);
    FUZZ_CHECK(cipherkitWide == expected);
    FUZZ_CHECK(feedback::WideFromUtf8(text) == expected);

    // Back again: the longest well-formed beginning of the input, byte for byte.
    const std::string back = ConvertToString(cipherkitWide);
    FUZZ_CHECK(text.compare(0, back.size(), back) == 0);
    FUZZ_CHECK(ConvertToWstring(back) == expected);
}

void CheckWide(const std::uint8_t* data, std::size_t size) {
    std::wstring wide;
    std::string expected;
    bool ended = false;
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::uint32_t value = 0;
        for (std::size_t k = 4; k-- > 0;) value = value << 8 | data[i + k];
        const auto c = static_cast<char32_t>(value);
        wide.push_back(static_cast<wchar_t>(c));
        ended = ended || c == 0 || !packgate_fuzz::IsScalarValue(c);
        if (!ended) expected += packgate_fuzz::EncodeUtf8(c);
    }
    const std::string narrow = ConvertToString(wide);
    FUZZ_CHECK(narrow == expected);
    FUZZ_CHECK(ConvertToWstring(narrow) == Wide(packgate_fuzz::DecodeUtf8Prefix(expected)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckNarrow({reinterpret_cast<const char*>(data), size});
    CheckWide(data, size);
    return 0;
}
