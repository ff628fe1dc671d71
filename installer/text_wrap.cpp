#include "installer/text_wrap.h"

#include "installer/utf8.h"

#include <array>
#include <cstdint>
#include <utility>

namespace installer {
namespace {

bool InRanges(std::uint32_t code, const auto& ranges) {
    for (const auto& [low, high] : ranges) {
        if (code >= low && code <= high) return true;
    }
    return false;
}

std::size_t GlyphWidth(std::uint32_t code) {
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 8> kZeroWidth{{
        {0x0300, 0x036F},
        {0x0483, 0x0489},
        {0x0591, 0x05BD},
        {0x1AB0, 0x1AFF},
        {0x1DC0, 0x1DFF},
        {0x200B, 0x200F},
        {0x20D0, 0x20FF},
        {0xFE00, 0xFE0F},
    }};
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 12> kWide{{
        {0x1100, 0x115F},
        {0x2E80, 0x303E},
        {0x3041, 0x33FF},
        {0x3400, 0x4DBF},
        {0x4E00, 0x9FFF},
        {0xA000, 0xA4CF},
        {0xAC00, 0xD7A3},
        {0xF900, 0xFAFF},
        {0xFE30, 0xFE4F},
        {0xFF00, 0xFF60},
        {0xFFE0, 0xFFE6},
        {0x1F300, 0x1F64F},
    }};
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 2> kWidePlanes{{
        {0x1F900, 0x1F9FF},
        {0x20000, 0x3FFFD},
    }};
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 0;
    if (InRanges(code, kZeroWidth)) return 0;
    if (InRanges(code, kWide) || InRanges(code, kWidePlanes)) return 2;
    return 1;
}

bool IsWide(std::uint32_t code) {
    return GlyphWidth(code) == 2;
}

// One unit of wrapping: a word (no spaces), or a single wide character, which may stand at
// the end of a line on its own as East Asian text allows.
struct Piece {
    std::string_view text;
    std::size_t width = 0;
    bool spaceBefore = false;
};

std::vector<Piece> SplitPieces(std::string_view line) {
    std::vector<Piece> pieces;
    bool space = false;
    std::size_t start = 0;
    std::size_t width = 0;
    std::size_t i = 0;
    const auto flush = [&](std::size_t end) {
        if (end > start) pieces.push_back({line.substr(start, end - start), width, space});
        if (end > start) space = false;
        width = 0;
    };
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            flush(i);
            space = true;
            start = ++i;
            continue;
        }
        const Utf8Char glyph = DecodeUtf8(line.substr(i));
        if (IsWide(glyph.code)) {
            flush(i);
            start = i;
            width = 2;
            i += glyph.bytes;
            flush(i);
            start = i;
            continue;
        }
        width += !glyph.valid ? 1 : GlyphWidth(glyph.code);
        i += glyph.bytes;
    }
    flush(i);
    return pieces;
}

// Appends `piece` to `lines`, cutting it glyph by glyph where it is wider than `width`.
void AppendCut(std::vector<std::string>& lines, std::size_t& used, std::string_view piece,
               std::size_t width) {
    while (!piece.empty()) {
        const Utf8Char glyph = DecodeUtf8(piece);
        const std::size_t w = DisplayWidth(piece.substr(0, glyph.bytes));
        if (used + w > width && used > 0) {
            lines.emplace_back();
            used = 0;
        }
        lines.back().append(piece.substr(0, glyph.bytes));
        used += w;
        piece.remove_prefix(glyph.bytes);
    }
}

void WrapLine(std::string_view line, std::size_t width, std::vector<std::string>& lines) {
    lines.emplace_back();
    std::size_t used = 0;
    for (const Piece& piece : SplitPieces(line)) {
        const std::size_t gap = (piece.spaceBefore && used > 0) ? 1 : 0;
        if (used + gap + piece.width <= width) {
            lines.back().append(gap, ' ');
            lines.back().append(piece.text);
            used += gap + piece.width;
            continue;
        }
        if (piece.width <= width) {
            lines.emplace_back(piece.text);
            used = piece.width;
            continue;
        }
        // Wider than a line: it starts a line of its own and is cut where lines end.
        if (used > 0) {
            lines.emplace_back();
            used = 0;
        }
        AppendCut(lines, used, piece.text, width);
    }
}

}  // namespace

std::string PrintableText(std::string_view text, bool keepLineBreaks) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Char glyph = DecodeUtf8(text);
        const bool control = glyph.code < 0x20 || (glyph.code >= 0x7F && glyph.code < 0xA0);
        const bool broken = !glyph.valid;
        if (glyph.code == '\n') {
            out += keepLineBreaks ? '\n' : ' ';
        } else if (glyph.code == '\t') {
            out += ' ';
        } else if (control || broken) {
            out += kReplacement;
        } else {
            out.append(text.substr(0, glyph.bytes));
        }
        text.remove_prefix(glyph.bytes);
    }
    return out;
}

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    while (!text.empty()) {
        const Utf8Char glyph = DecodeUtf8(text);
        width += !glyph.valid ? 1 : GlyphWidth(glyph.code);
        text.remove_prefix(glyph.bytes);
    }
    return width;
}

std::string TruncateText(std::string_view text, std::size_t width, bool keepEnd) {
    if (DisplayWidth(text) <= width) return std::string(text);
    std::vector<std::string_view> glyphs;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t bytes = DecodeUtf8(rest).bytes;
        glyphs.push_back(rest.substr(0, bytes));
        rest.remove_prefix(bytes);
    }
    if (!keepEnd) {
        std::string out;
        std::size_t used = 0;
        for (std::string_view glyph : glyphs) {
            used += DisplayWidth(glyph);
            if (used > width) break;
            out.append(glyph);
        }
        return out;
    }
    static constexpr std::string_view kEllipsis = "...";
    if (width < kEllipsis.size()) return std::string(kEllipsis.substr(0, width));
    std::string end;
    std::size_t used = kEllipsis.size();
    for (auto glyph = glyphs.rbegin(); glyph != glyphs.rend(); ++glyph) {
        used += DisplayWidth(*glyph);
        if (used > width) break;
        end.insert(0, *glyph);
    }
    return std::string(kEllipsis) + end;
}

std::vector<std::string> WrapText(std::string_view text, std::size_t width) {
    if (width == 0) width = 1;
    std::vector<std::string> lines;
    while (true) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        WrapLine(line, width, lines);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace installer
