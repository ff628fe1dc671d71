#include "installer/text/text_wrap.h"

#include "installer/text/character_width.h"
#include "installer/text/line_breaks.h"
#include "system/utf8_text.h"

namespace installer {
namespace {

using platform::DecodeUtf8;
using platform::Utf8Char;

std::size_t GlyphWidth(const Utf8Char& glyph) {
    return glyph.valid ? CharacterWidth(glyph.code) : 1;
}

// One character of a line, with what wrapping needs to know about it.
struct Glyph {
    std::size_t offset = 0;
    std::size_t bytes = 1;
    std::size_t width = 0;
    bool space = false;
    bool breakBefore = false;  // The line breaking rules let a line begin here.
};

std::vector<Glyph> Glyphs(std::string_view line) {
    const std::vector<bool> allowed = LineBreakOpportunities(line);
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < line.size();) {
        const Utf8Char glyph = DecodeUtf8(line.substr(i));
        const bool space = line[i] == ' ' || line[i] == '\t';
        glyphs.push_back({i, glyph.bytes, GlyphWidth(glyph), space, allowed[i]});
        i += glyph.bytes;
    }
    return glyphs;
}

// Where lines may begin: where the rules allow a break after spaces, as Latin text is
// broken, or beside a wide character, as East Asian text is broken. Other breaks the rules
// allow (after a hyphen or a slash) are not taken, so a word or a path is only cut when it is
// wider than a line. One break the rules forbid is taken: they keep a slash with the text
// before it, for "and/or", but after a space a slash begins a path.
bool StartsPiece(std::string_view line, const std::vector<Glyph>& glyphs, std::size_t k) {
    if (k == 0) return false;
    const bool afterSpace = glyphs[k - 1].space;
    if (afterSpace && line[glyphs[k].offset] == '/') return true;
    if (!glyphs[k].breakBefore) return false;
    return afterSpace || glyphs[k - 1].width == 2 || glyphs[k].width == 2;
}

// Whether glyph `k` stays on the line of the one before it when a piece wider than a line is
// cut: a mark with its letter, and a wide bracket or closing mark with its neighbour.
bool JoinsPrevious(const std::vector<Glyph>& glyphs, std::size_t k) {
    if (glyphs[k].width == 0) return true;
    return !glyphs[k].breakBefore && (glyphs[k - 1].width == 2 || glyphs[k].width == 2);
}

// One unit of wrapping: the glyphs [first, end) between two places where a line may begin,
// without the spaces around them.
struct Piece {
    std::size_t first = 0;
    std::size_t end = 0;
    std::size_t width = 0;
    bool spaceBefore = false;
};

std::size_t Width(const std::vector<Glyph>& glyphs, std::size_t first, std::size_t end) {
    std::size_t width = 0;
    for (std::size_t k = first; k < end; ++k) width += glyphs[k].width;
    return width;
}

std::vector<Piece> SplitPieces(std::string_view line, const std::vector<Glyph>& glyphs) {
    std::vector<Piece> pieces;
    bool space = false;
    for (std::size_t first = 0; first < glyphs.size();) {
        std::size_t next = first + 1;
        while (next < glyphs.size() && !StartsPiece(line, glyphs, next)) ++next;
        std::size_t end = next;
        for (; first < end && glyphs[first].space; ++first) space = true;
        while (end > first && glyphs[end - 1].space) --end;
        if (first < end) {
            pieces.push_back({first, end, Width(glyphs, first, end), space});
            space = false;
        }
        if (end < next) space = true;
        first = next;
    }
    return pieces;
}

class LineFiller {
  public:
    LineFiller(std::string_view line, std::size_t width, std::vector<std::string>& lines)
        : line_(line), glyphs_(Glyphs(line)), width_(width), lines_(lines) {
        lines_.emplace_back();
    }

    void fill() {
        for (const Piece& piece : SplitPieces(line_, glyphs_)) place(piece);
    }

  private:
    std::string_view text(std::size_t first, std::size_t end) const {
        if (first == end) return {};
        const std::size_t from = glyphs_[first].offset;
        return line_.substr(from, glyphs_[end - 1].offset + glyphs_[end - 1].bytes - from);
    }

    void newLine() {
        lines_.emplace_back();
        used_ = 0;
    }

    void append(std::size_t first, std::size_t end, std::size_t width) {
        lines_.back().append(text(first, end));
        used_ += width;
    }

    void place(const Piece& piece) {
        const std::size_t gap = (piece.spaceBefore && used_ > 0) ? 1 : 0;
        if (used_ + gap + piece.width <= width_) {
            lines_.back().append(gap, ' ');
            used_ += gap;
            append(piece.first, piece.end, piece.width);
            return;
        }
        if (used_ > 0) newLine();
        if (piece.width <= width_) {
            append(piece.first, piece.end, piece.width);
            return;
        }
        cut(piece);
    }

    // A piece wider than a line starts a line of its own and is cut where lines end, between
    // glyphs that may be parted, or between any glyphs when that is not enough.
    void cut(const Piece& piece) {
        for (std::size_t first = piece.first; first < piece.end;) {
            std::size_t end = first + 1;
            while (end < piece.end && JoinsPrevious(glyphs_, end)) ++end;
            const std::size_t width = Width(glyphs_, first, end);
            if (width > width_) {
                cutAnywhere(first, end);
            } else {
                if (used_ + width > width_ && used_ > 0) newLine();
                append(first, end, width);
            }
            first = end;
        }
    }

    void cutAnywhere(std::size_t first, std::size_t end) {
        for (std::size_t k = first; k < end; ++k) {
            if (used_ + glyphs_[k].width > width_ && used_ > 0) newLine();
            append(k, k + 1, glyphs_[k].width);
        }
    }

    std::string_view line_;
    std::vector<Glyph> glyphs_;
    std::size_t width_;
    std::vector<std::string>& lines_;
    std::size_t used_ = 0;
};

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
        width += GlyphWidth(glyph);
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
        LineFiller(line, width, lines).fill();
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace installer
