#include <cipherkit/string_cipher.h>
#include <cipherkit/utf8_convert.h>
#include <cipherkit/wide_cipher.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <clocale>
#include <cstring>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "openssl_reference.h"

namespace {

// glibc's own UTF-8 conversion, one character at a time under a thread-local C.UTF-8 locale
// (so the reference does not touch the process locale either). glibc also takes the old
// five- and six-byte forms of values above U+10FFFF, which Unicode and the library refuse, so
// the reference stops at such a value as well.
class GlibcUtf8 {
  public:
    GlibcUtf8() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {}
    ~GlibcUtf8() {
        if (locale_ != nullptr) freelocale(locale_);
    }
    bool available() const { return locale_ != nullptr; }

    std::wstring Decode(const std::string& text) const {
        const locale_t previous = uselocale(locale_);
        std::wstring out;
        std::mbstate_t state{};
        const char* p = text.c_str();
        for (std::size_t left = std::strlen(p); left > 0;) {
            wchar_t c = 0;
            const std::size_t n = std::mbrtowc(&c, p, left, &state);
            if (n == 0 || n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) ||
                !InUnicodeRange(c)) {
                break;
            }
            out += c;
            p += n;
            left -= n;
        }
        uselocale(previous);
        return out;
    }

    std::string Encode(const std::wstring& text) const {
        const locale_t previous = uselocale(locale_);
        std::string out;
        std::mbstate_t state{};
        for (const wchar_t c : text) {
            char bytes[MB_LEN_MAX];
            if (c == 0 || !InUnicodeRange(c)) break;
            const std::size_t n = std::wcrtomb(bytes, c, &state);
            if (n == static_cast<std::size_t>(-1)) break;
            out.append(bytes, n);
        }
        uselocale(previous);
        return out;
    }

  private:
    static bool InUnicodeRange(wchar_t c) { return static_cast<char32_t>(c) <= 0x10FFFF; }

    locale_t locale_;
};

TEST(ConvertToString, EncodesOneToFourByteCharacters) {
    EXPECT_EQ(ConvertToString(L"A"), "A");
    EXPECT_EQ(ConvertToString(L"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(ConvertToString(L"\u6F22\u5B57"), "\xE6\xBC\xA2\xE5\xAD\x97");
    EXPECT_EQ(ConvertToString(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ConvertToString(L"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(ConvertToString(L""), "");
}

TEST(ConvertToString, StopsAtACharacterWithoutUtf8FormKeepingWhatCameBefore) {
    EXPECT_EQ(ConvertToString(std::wstring(L"ab") + wchar_t(0xD800) + L"cd"), "ab");
    EXPECT_EQ(ConvertToString(std::wstring(L"x") + wchar_t(0xDFFF)), "x");
    EXPECT_EQ(ConvertToString(std::wstring(L"x") + wchar_t(0x110000) + L"y"), "x");
    EXPECT_EQ(ConvertToString(std::wstring(L"x") + wchar_t(-1) + L"y"), "x");
    EXPECT_EQ(ConvertToString(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(ConvertToWstring, DecodesOneToFourByteSequences) {
    EXPECT_EQ(ConvertToWstring("A\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80"),
              L"A\u00E9\u6F22\U0001F600");
    EXPECT_EQ(ConvertToWstring(""), L"");
}

TEST(ConvertToWstring, StopsAtAnInvalidSequenceKeepingWhatCameBefore) {
    EXPECT_EQ(ConvertToWstring("ab\xC0\x80"), L"ab");          // overlong zero
    EXPECT_EQ(ConvertToWstring("ab\xE0\x80\xAF"), L"ab");      // overlong slash
    EXPECT_EQ(ConvertToWstring("ab\xED\xA0\x80zz"), L"ab");    // surrogate
    EXPECT_EQ(ConvertToWstring("ab\xF4\x90\x80\x80"), L"ab");  // above U+10FFFF
    EXPECT_EQ(ConvertToWstring("ab\xF5\x80\x80\x80"), L"ab");  // never a lead byte
    EXPECT_EQ(ConvertToWstring("a\xE2\x82"), L"a");            // cut short at the end
    EXPECT_EQ(ConvertToWstring("a\xE2\x82z"), L"a");           // cut short inside
    EXPECT_EQ(ConvertToWstring("a\x80"
                               "b"),
              L"a");                                               // stray continuation
    EXPECT_EQ(ConvertToWstring(std::string("ab\0cd", 5)), L"ab");  // a zero byte ends it
}

TEST(Utf8AgainstGlibc, DecodesRandomBytesLikeGlibc) {
    GlibcUtf8 glibc;
    if (!glibc.available()) GTEST_SKIP() << "no C.UTF-8 locale";
    std::mt19937 rng(8);
    // Bytes drawn mostly from lead and continuation ranges, so sequences of every shape occur.
    const unsigned char pool[] = {'a',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                  0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED,
                                  0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (std::size_t n = rng() % 8; n > 0; --n)
            text += static_cast<char>(pool[rng() % sizeof pool]);
        ASSERT_EQ(ConvertToWstring(text), glibc.Decode(text)) << "round " << round;
    }
}

TEST(Utf8AgainstGlibc, EncodesRandomCodePointsLikeGlibc) {
    GlibcUtf8 glibc;
    if (!glibc.available()) GTEST_SKIP() << "no C.UTF-8 locale";
    std::mt19937 rng(9);
    const char32_t edges[] = {0x7F,   0x80,   0x7FF,   0x800,    0xD7FF,   0xD800,    0xDFFF,
                              0xE000, 0xFFFF, 0x10000, 0x10FFFF, 0x110000, 0x7FFFFFFF};
    for (int round = 0; round < 5000; ++round) {
        std::wstring text;
        for (std::size_t n = rng() % 6; n > 0; --n) {
            const char32_t c = rng() % 3 == 0 ? edges[rng() % std::size(edges)]
                                              : static_cast<char32_t>(rng() % 0x110000);
            text += static_cast<wchar_t>(c);
        }
        ASSERT_EQ(ConvertToString(text), glibc.Encode(text)) << "round " << round;
    }
}

// Mostly ASCII with other characters here and there, so conversions switch between their
// whole-block runs and single characters at every offset of a block.
std::wstring MixedText(std::mt19937& rng, std::size_t length) {
    const wchar_t others[] = {0xE9, 0x7FF, 0x800, 0x6F22, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};
    std::wstring text;
    for (std::size_t k = 0; k < length; ++k) {
        text += rng() % 9 == 0 ? others[rng() % std::size(others)]
                               : static_cast<wchar_t>(1 + rng() % 127);
    }
    return text;
}

TEST(Utf8AgainstGlibc, ConvertsMixedTextsOfEveryLengthLikeGlibc) {
    GlibcUtf8 glibc;
    if (!glibc.available()) GTEST_SKIP() << "no C.UTF-8 locale";
    std::mt19937 rng(10);
    for (std::size_t length = 0; length <= 300; ++length) {
        for (const bool ascii : {true, false}) {
            std::wstring wide = MixedText(rng, length);
            if (ascii) {
                for (wchar_t& c : wide) c = static_cast<wchar_t>(1 + (c & 0x7E));
            }
            const std::string narrow = ConvertToString(wide);
            ASSERT_EQ(narrow, glibc.Encode(wide)) << "length " << length;
            ASSERT_EQ(ConvertToWstring(narrow), wide) << "length " << length;
        }
    }
}

TEST(Utf8AgainstGlibc, StopsWhereGlibcStopsAtEveryPosition) {
    GlibcUtf8 glibc;
    if (!glibc.available()) GTEST_SKIP() << "no C.UTF-8 locale";
    std::mt19937 rng(11);
    const std::string ascii(70, 'q');
    for (std::size_t position = 0; position < ascii.size(); ++position) {
        for (const char* stop : {"\x80", "\xC0\x80", "\xED\xA0\x80", "\xF5", "\xE2\x82"}) {
            const std::string text = ascii.substr(0, position) + stop + "tail";
            ASSERT_EQ(ConvertToWstring(text), glibc.Decode(text)) << "at " << position;
        }
        std::wstring wide(ascii.begin(), ascii.end());
        wide[position] = static_cast<wchar_t>(rng() % 2 == 0 ? 0xDC00 : 0x110000);
        ASSERT_EQ(ConvertToString(wide), glibc.Encode(wide)) << "at " << position;
        wide[position] = 0;
        ASSERT_EQ(ConvertToString(wide), ascii.substr(0, position)) << "at " << position;
    }
}

TEST(EncryptStringRC4, IsOpenSslRc4OverTheUtf8BytesAtEveryLength) {
    std::mt19937 rng(12);
    const std::string key = "p\xC3\xA4ss";
    for (std::size_t length = 1; length <= 300; ++length) {
        const std::wstring text = MixedText(rng, length);
        const std::string utf8 = ConvertToString(text);
        const reference::Bytes cipher = reference::Rc4(
            reference::Bytes(key.begin(), key.end()), reference::Bytes(utf8.begin(), utf8.end()));
        const std::string hex = reference::Hex(cipher);
        const std::wstring wideHex = EncryptStringRC4(text.c_str(), L"p\u00E4ss");
        ASSERT_EQ(wideHex, std::wstring(hex.begin(), hex.end())) << "length " << length;
        ASSERT_EQ(DecryptStringRC4(wideHex.c_str(), L"p\u00E4ss"), text) << "length " << length;
    }
}

TEST(EncryptStringRC4, RoundTripsTextsOutsideAscii) {
    const wchar_t* const texts[] = {L"plain ascii", L"caf\u00E9 cr\u00E8me",
                                    L"\u6F22\u5B57\u30C6\u30B9\u30C8",
                                    L"emoji \U0001F600\U0001F680 end"};
    const wchar_t* const passphrases[] = {L"k", L"p\u00E4ss", L"\u9375", L"\U0001F511 key"};
    for (const wchar_t* text : texts) {
        for (const wchar_t* passphrase : passphrases) {
            const std::wstring hex = EncryptStringRC4(text, passphrase);
            ASSERT_FALSE(hex.empty());
            EXPECT_EQ(DecryptStringRC4(hex.c_str(), passphrase), text);
        }
    }
}

TEST(EncryptStringRC4, WritesTwoUpperCaseDigitsPerUtf8Byte) {
    EXPECT_EQ(EncryptStringRC4(L"abcd", L"key").size(), 8u);
    EXPECT_EQ(EncryptStringRC4(L"a\u00E9", L"key").size(), 6u);       // 1 + 2 bytes
    EXPECT_EQ(EncryptStringRC4(L"a\u6F22", L"key").size(), 8u);       // 1 + 3 bytes
    EXPECT_EQ(EncryptStringRC4(L"a\U0001F600", L"key").size(), 10u);  // 1 + 4 bytes
    for (const wchar_t c : EncryptStringRC4(L"\u6F22\u5B57 text", L"key")) {
        EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << int(c);
    }
}

TEST(EncryptStringRC4, MatchesTheNarrowCipherOverUtf8) {
    const std::unique_ptr<char[]> narrow(Encrypt("\xE6\xBC\xA2 x", "\xC3\xA4"));
    EXPECT_EQ(EncryptStringRC4(L"\u6F22 x", L"\u00E4"), ConvertToWstring(narrow.get()));
    EXPECT_EQ(EncryptStringRC4(L"\u6F22 x", L"\u00E4"), EncryptStringRC4(L"\u6F22 x", L"\u00E4"));
}

TEST(WideCipherRefusals, NullOrEmptyArgumentsGiveAnEmptyResult) {
    EXPECT_EQ(EncryptStringRC4(nullptr, L"k"), L"");
    EXPECT_EQ(EncryptStringRC4(L"t", nullptr), L"");
    EXPECT_EQ(EncryptStringRC4(L"", L"k"), L"");
    EXPECT_EQ(EncryptStringRC4(L"t", L""), L"");
    const wchar_t surrogateOnly[] = {0xD800, 0};
    EXPECT_EQ(EncryptStringRC4(surrogateOnly, L"k"), L"");  // converts to an empty text
    EXPECT_EQ(DecryptStringRC4(nullptr, L"k"), L"");
    EXPECT_EQ(DecryptStringRC4(L"41", nullptr), L"");
    EXPECT_EQ(DecryptStringRC4(L"", L"k"), L"");
    EXPECT_EQ(DecryptStringRC4(L"41", L""), L"");
}

TEST(WideCipherRefusals, LowerCaseOddLengthOrNonHexTextsGiveAnEmptyResult) {
    const std::wstring hex = EncryptStringRC4(L"hello there", L"key");
    std::wstring lower = hex;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    ASSERT_NE(lower, hex);
    EXPECT_EQ(DecryptStringRC4(lower.c_str(), L"key"), L"");
    EXPECT_EQ(DecryptStringRC4(hex.substr(1).c_str(), L"key"), L"");
    EXPECT_EQ(DecryptStringRC4(L"4G", L"key"), L"");
    EXPECT_EQ(DecryptStringRC4(L"\uFF14\uFF11", L"key"), L"");  // full-width digits
}

// Every category is compared, since a conversion that switched only LC_CTYPE and restored
// LC_ALL could still lose a mixed setting.
std::vector<std::string> AllCategories() {
    std::vector<std::string> names;
    for (int category :
         {LC_CTYPE, LC_NUMERIC, LC_TIME, LC_COLLATE, LC_MONETARY, LC_MESSAGES, LC_ALL}) {
        names.push_back(std::setlocale(category, nullptr));
    }
    return names;
}

TEST(WideCipherLocale, EveryCategoryIsUnchangedAfterEachCall) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* ctype : {"C", "C.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, ctype) == nullptr) continue;
        std::setlocale(LC_NUMERIC, "C");
        const auto before = AllCategories();
        ConvertToString(L"\u00E9t\u00E9");
        EXPECT_EQ(AllCategories(), before);
        ConvertToWstring("\xC3\xA9t\xC3\xA9");
        EXPECT_EQ(AllCategories(), before);
        const std::wstring hex = EncryptStringRC4(L"\u00E9t\u00E9", L"k");
        EXPECT_EQ(AllCategories(), before);
        EXPECT_EQ(DecryptStringRC4(hex.c_str(), L"k"), L"\u00E9t\u00E9");
        EXPECT_EQ(AllCategories(), before);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(WideCipherThreads, SeveralThreadsEncipherAtOnceWithTheSingleThreadResults) {
    const std::vector<std::wstring> texts = {L"first \u00E9", L"second \u6F22\u5B57",
                                             L"third \U0001F600", L"fourth plain"};
    std::vector<std::wstring> expected;
    for (const auto& text : texts) expected.push_back(EncryptStringRC4(text.c_str(), L"\u9375"));

    std::vector<int> failures(texts.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < texts.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 300; ++round) {
                const std::wstring hex = EncryptStringRC4(texts[t].c_str(), L"\u9375");
                if (hex != expected[t] || DecryptStringRC4(hex.c_str(), L"\u9375") != texts[t]) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(texts.size(), 0));
}

}  // namespace
