// The two UTF-8 codecs of the system, libcipherkit's ConvertToString/ConvertToWstring and the
// platform's (platform/system/utf8_text.h, which the feedback log's wide texts use), against
// each other and against a plain reference codec. The input is read both as UTF-8 bytes and,
// four bytes a character, as a wide text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <cipherkit/utf8_convert.h>

#include "feedback/wide_text.h"
#include "fuzz_check.h"
#include "system/utf8_text.h"
#include "utf8_reference.h"

namespace {

std::wstring Wide(const std::u32string& text) {
    return std::wstring(text.begin(), text.end());
}

// The platform codec's whole-text reads, rebuilt from the reference one sequence at a time: a
// malformed byte ends the text (`replace` false) or stands for one U+FFFD.
std::u32string ReferenceText(std::string_view text, bool replace) {
    std::u32string out;
    while (!text.empty()) {
        char32_t c = 0;
        std::size_t used = packgate_fuzz::DecodeUtf8(text, c);
        if (used == 0 && !replace) break;
        if (used == 0) {
            c = 0xFFFD;
            used = 1;
        }
        out.push_back(c);
        text.remove_prefix(used);
    }
    return out;
}

void CheckPlatformDecode(std::string_view text) {
    using platform::Utf8Malformed;
    FUZZ_CHECK(platform::DecodeUtf8Text(text, Utf8Malformed::kStop) == ReferenceText(text, false));
    FUZZ_CHECK(platform::DecodeUtf8Text(text, Utf8Malformed::kReplace) ==
               ReferenceText(text, true));
    FUZZ_CHECK(platform::IsValidUtf8(text) ==
               (ReferenceText(text, false).size() == ReferenceText(text, true).size()));
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
    CheckPlatformDecode(bytes);
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
        std::string platformForm;
        const bool encoded = platform::AppendUtf8(platformForm, c);
        FUZZ_CHECK(encoded == packgate_fuzz::IsScalarValue(c));
        FUZZ_CHECK(!encoded || platformForm == packgate_fuzz::EncodeUtf8(c));
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
