// Old-style (OpenStep) property lists and strings files. Every scalar is a string; data is
// written as <hex>; dictionaries as { key = value; } and arrays as ( a, b ).
#include <algorithm>

#include "foundation/plist_read_internal.h"
#include "foundation/plist_text_internal.h"

namespace foundation::plist_internal {
namespace {

bool IsUnquotedCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '/' || c == ':' || c == '.' || c == '-';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

class OpenStepParser {
  public:
    explicit OpenStepParser(std::string_view text) : text_(text) {}

    std::optional<PlistValue> ParseTop() {
        if (!SkipSpace()) return Fail("no value in the text");
        const std::size_t begin = pos_;
        auto value = ParseObject(0);
        if (!value) return std::nullopt;
        if (!SkipSpace()) return value;
        // A string followed by more text is the first key of a strings file: a dictionary
        // without its braces.
        if (value->string() == nullptr) return Fail("unexpected text after the value");
        pos_ = begin;
        auto dict = ParseDictContent(0, false);
        if (!dict) return std::nullopt;
        return PlistValue(std::move(*dict));
    }

    // Moves past white space and comments; false at the end of the text. An unclosed /* runs
    // to the end, as macOS reads it.
    bool SkipSpace() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (IsSpace(c)) {
                ++pos_;
            } else if (c == '/' && Peek(1) == '/') {
                const std::size_t end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (c == '/' && Peek(1) == '*') {
                const std::size_t end = text_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    const std::string& error() const { return error_; }

  private:
    char Peek(std::size_t ahead) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    std::nullopt_t Fail(std::string_view what) {
        if (error_.empty()) {
            const auto line =
                std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(pos_), '\n');
            error_ = "old-style property list: " + std::string(what) + " at line " +
                     std::to_string(line + 1);
        }
        return std::nullopt;
    }

    // A value at `depth` containers below the top; the caller has skipped white space.
    std::optional<PlistValue> ParseObject(std::size_t depth) {
        if (!budget_.Take()) return Fail("too many values");
        const char c = text_[pos_];
        if (c == '{' || c == '(') {
            if (depth >= kMaxPlistDepth) return Fail("nesting too deep");
            ++pos_;
            if (c == '(') return Wrap(ParseArray(depth));
            return Wrap(ParseDictContent(depth, true));
        }
        if (c == '<') {
            ++pos_;
            return Wrap(ParseData());
        }
        return Wrap(ParseString());
    }

    template <typename T>
    static std::optional<PlistValue> Wrap(std::optional<T> value) {
        if (!value) return std::nullopt;
        return PlistValue(std::move(*value));
    }

    std::optional<std::string> ParseString() {
        const char c = text_[pos_];
        if (c == '"' || c == '\'') {
            ++pos_;
            return ParseQuoted(c);
        }
        const std::size_t begin = pos_;
        while (pos_ < text_.size() && IsUnquotedCharacter(text_[pos_])) ++pos_;
        if (pos_ == begin) return Fail("unexpected character");
        return std::string(text_.substr(begin, pos_ - begin));
    }

    // After the opening '{' (`braced`) or at the top of a strings file, up to and including
    // the closing '}' or the end of the text.
    std::optional<PlistDict> ParseDictContent(std::size_t depth, bool braced) {
        PlistDict dict;
        for (;;) {
            if (!SkipSpace()) {
                if (braced) return Fail("missing '}'");
                return dict;
            }
            if (braced && text_[pos_] == '}') {
                ++pos_;
                return dict;
            }
            if (!budget_.Take()) return Fail("too many values");
            auto key = ParseString();
            if (!key) return std::nullopt;
            if (!SkipSpace()) return Fail("missing ';'");
            if (text_[pos_] == ';') {
                // "key;" stands for "key = key;".
                ++pos_;
                PlistValue same(*key);
                dict.set(std::move(*key), std::move(same));
                continue;
            }
            if (text_[pos_] != '=') return Fail("missing '='");
            ++pos_;
            if (!SkipSpace()) return Fail("missing value");
            auto value = ParseObject(depth + 1);
            if (!value) return std::nullopt;
            if (!SkipSpace() || text_[pos_] != ';') return Fail("missing ';'");
            ++pos_;
            dict.set(std::move(*key), std::move(*value));
        }
    }

    // After the opening '('. A comma may follow the last element.
    std::optional<PlistArray> ParseArray(std::size_t depth) {
        PlistArray array;
        for (;;) {
            if (!SkipSpace()) return Fail("missing ')'");
            if (text_[pos_] == ')') {
                ++pos_;
                return array;
            }
            auto value = ParseObject(depth + 1);
            if (!value) return std::nullopt;
            array.push_back(std::move(*value));
            if (!SkipSpace()) return Fail("missing ')'");
            if (text_[pos_] == ',') {
                ++pos_;
            } else if (text_[pos_] != ')') {
                return Fail("missing ',' or ')'");
            }
        }
    }

    // After the '<': pairs of hex digits, white space between pairs, up to '>'.
    std::optional<PlistData> ParseData() {
        PlistData data;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '>') {
                ++pos_;
                return data;
            }
            if (IsSpace(c)) {
                ++pos_;
                continue;
            }
            const int high = HexValue(c);
            const int low = HexValue(Peek(1));
            if (high < 0 || low < 0) return Fail("bad character in data");
            data.push_back(static_cast<std::uint8_t>(high * 16 + low));
            pos_ += 2;
        }
        return Fail("missing '>'");
    }

    // After the opening quote.
    std::optional<std::string> ParseQuoted(char quote) {
        std::string out;
        char32_t pendingHigh = 0;  // a \U high surrogate waiting for its low half
        const auto flush = [&] {
            if (pendingHigh != 0) AppendUtf8OrReplacement(out, kReplacementCharacter);
            pendingHigh = 0;
        };
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == quote) {
                flush();
                return out;
            }
            if (c != '\\') {
                flush();
                out.push_back(c);
                continue;
            }
            if (pos_ >= text_.size()) break;
            const bool unicode = text_[pos_] == 'U';
            const char32_t ch = Escaped();
            if (unicode && IsLowSurrogate(ch) && pendingHigh != 0) {
                AppendUtf8OrReplacement(out,
                                        0x10000 + ((pendingHigh - 0xD800) << 10) + (ch - 0xDC00));
                pendingHigh = 0;
                continue;
            }
            flush();
            if (unicode && IsHighSurrogate(ch)) {
                pendingHigh = ch;
                continue;
            }
            if (ch == kVerbatim) {
                // A backslash before any other character stands for that character.
                const std::size_t length = platform::DecodeUtf8(text_.substr(pos_)).bytes;
                out.append(text_.substr(pos_, length));
                pos_ += length;
                continue;
            }
            AppendUtf8OrReplacement(out, ch);
        }
        return Fail("unterminated quoted string");
    }

    static constexpr char32_t kVerbatim = 0xFFFFFFFF;

    // The character of the escape at pos_ (after the backslash); moves past it, except that
    // for kVerbatim the character itself is left for the caller to copy.
    char32_t Escaped() {
        const char c = text_[pos_];
        switch (c) {
            case 'a':
                ++pos_;
                return '\a';
            case 'b':
                ++pos_;
                return '\b';
            case 'f':
                ++pos_;
                return '\f';
            case 'n':
                ++pos_;
                return '\n';
            case 'r':
                ++pos_;
                return '\r';
            case 't':
                ++pos_;
                return '\t';
            case 'v':
                ++pos_;
                return '\v';
            case 'U': {
                ++pos_;
                char32_t value = 0;
                for (int i = 0; i < 4 && pos_ < text_.size() && HexValue(text_[pos_]) >= 0; ++i) {
                    value = value * 16 + static_cast<char32_t>(HexValue(text_[pos_++]));
                }
                return value;
            }
            default:
                break;
        }
        if (c >= '0' && c <= '7') {
            char32_t value = 0;
            for (int i = 0;
                 i < 3 && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '7'; ++i) {
                value = value * 8 + static_cast<char32_t>(text_[pos_++] - '0');
            }
            // An octal escape names one byte; above 0x7F it is read as Latin-1.
            return value & 0xFF;
        }
        return kVerbatim;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    ValueBudget budget_;
    std::string error_;
};

}  // namespace

std::optional<PlistValue> ReadOpenStepPlist(std::string_view text, std::string& error) {
    OpenStepParser parser(text);
    auto value = parser.ParseTop();
    if (!value) error = parser.error();
    return value;
}

bool OpenStepTextIsBlank(std::string_view text) {
    return !OpenStepParser(text).SkipSpace();
}

}  // namespace foundation::plist_internal
