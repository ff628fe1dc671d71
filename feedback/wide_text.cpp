#include "feedback/wide_text.h"

#include "system/utf8_text.h"

namespace feedback {

std::wstring WideFromUtf8(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const std::u32string codePoints =
        platform::DecodeUtf8Text(text, platform::Utf8Malformed::kStop);
    return std::wstring(codePoints.begin(), codePoints.end());
}

}  // namespace feedback
