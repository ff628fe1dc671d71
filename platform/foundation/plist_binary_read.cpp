// Binary property lists ("bplist00").
//
// Layout: the magic, the objects, a table of object offsets, and a 32-byte trailer that gives
// the sizes of offsets and object references, the object count, the top object and the
// table's position. Containers refer to other objects by number, so a hostile file can make
// objects refer to themselves or share one object many times over. The reader therefore
// walks the object graph twice: a first pass checks every object's bounds, refuses cycles and
// too deep nesting, and adds up the values and bytes that the tree would hold (once per
// reference, as the tree copies shared objects); only a file within the limits is then built.
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "foundation/plist_read_internal.h"
#include "foundation/plist_text_internal.h"

namespace foundation::plist_internal {
namespace {

constexpr std::size_t kMagicSize = 8;
constexpr std::size_t kTrailerSize = 32;

enum Marker : std::uint8_t {
    kSimple = 0x0,  // null, false, true, fill
    kInteger = 0x1,
    kReal = 0x2,
    kDate = 0x3,
    kData = 0x4,
    kAsciiString = 0x5,
    kUtf16String = 0x6,
    kArray = 0xA,
    kDict = 0xD,
};

// Where an object's content lies: its kind, its element count (characters, bytes or
// references) and the position of its first content byte.
struct ObjectHeader {
    std::uint8_t kind = 0;
    std::uint8_t info = 0;
    std::uint64_t count = 0;
    std::size_t start = 0;
};

// What building an object would produce, saturating at the limits, and how many containers
// deep its own tree goes (0 for a scalar).
struct Cost {
    std::uint64_t values = 0;
    std::uint64_t bytes = 0;
    std::size_t height = 0;
};

enum class Visit : std::uint8_t { kNew, kOpen, kDone };

class BinaryReader {
  public:
    explicit BinaryReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<PlistValue> Read(std::string& error) {
        auto value = ReadChecked();
        if (!value) error = "binary property list: " + error_;
        return value;
    }

  private:
    std::optional<PlistValue> ReadChecked() {
        if (!ReadTrailer()) return std::nullopt;
        visits_.assign(objectCount_, Visit::kNew);
        costs_.assign(objectCount_, Cost{});
        const auto cost = Measure(topObject_, 0);
        if (!cost) return std::nullopt;
        return Build(topObject_);
    }

    std::nullopt_t Fail(const char* what) {
        if (error_.empty()) error_ = what;
        return std::nullopt;
    }

    bool Refuse(const char* what) {
        Fail(what);
        return false;
    }

    // Big-endian unsigned number of `size` (1..8) bytes at `at`; the caller checked bounds.
    std::uint64_t Number(std::size_t at, std::size_t size) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value = (value << 8) | bytes_[at + i];
        return value;
    }

    bool ReadTrailer() {
        if (bytes_.size() < kMagicSize + kTrailerSize + 2) return Refuse("file too short");
        const std::size_t trailer = bytes_.size() - kTrailerSize;
        offsetSize_ = bytes_[trailer + 6];
        refSize_ = bytes_[trailer + 7];
        objectCount_ = Number(trailer + 8, 8);
        topObject_ = Number(trailer + 16, 8);
        const std::uint64_t tableStart = Number(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) {
            return Refuse("bad offset or reference size");
        }
        if (objectCount_ < 1 || objectCount_ > kMaxPlistObjects) {
            return Refuse("bad object count");
        }
        if (refSize_ < 8 && objectCount_ > (std::uint64_t{1} << (8 * refSize_))) {
            return Refuse("object count too large for the reference size");
        }
        if (topObject_ >= objectCount_) return Refuse("top object out of range");
        if (tableStart <= kMagicSize || tableStart >= trailer) {
            return Refuse("offset table out of range");
        }
        // objectCount_ is at most kMaxPlistObjects, so the product cannot overflow.
        if (objectCount_ * offsetSize_ > trailer - tableStart) {
            return Refuse("offset table runs into the trailer");
        }
        tableStart_ = static_cast<std::size_t>(tableStart);
        return true;
    }

    std::optional<std::size_t> Offset(std::uint64_t ref) {
        if (ref >= objectCount_) return Fail("object reference out of range");
        const std::uint64_t offset =
            Number(tableStart_ + static_cast<std::size_t>(ref) * offsetSize_, offsetSize_);
        if (offset < kMagicSize || offset >= tableStart_) return Fail("object offset out of range");
        return static_cast<std::size_t>(offset);
    }

    // Whether `count` elements of `size` bytes fit between `start` and the offset table.
    bool Fits(std::size_t start, std::uint64_t count, std::uint64_t size) const {
        return start <= tableStart_ && count <= (tableStart_ - start) / size;
    }

    std::optional<ObjectHeader> Header(std::uint64_t ref) {
        const auto offset = Offset(ref);
        if (!offset) return std::nullopt;
        ObjectHeader header;
        header.kind = bytes_[*offset] >> 4;
        header.info = bytes_[*offset] & 0x0F;
        header.count = header.info;
        header.start = *offset + 1;
        const bool counted = header.kind == kData || header.kind == kAsciiString ||
                             header.kind == kUtf16String || header.kind == kArray ||
                             header.kind == kDict;
        if (counted && header.info == 0x0F && !ReadCount(header)) return std::nullopt;
        return header;
    }

    // A count of 15 or more follows the marker as an integer object of 1, 2, 4 or 8 bytes.
    bool ReadCount(ObjectHeader& header) {
        if (!Fits(header.start, 1, 1)) return Refuse("object runs past its end");
        const std::uint8_t marker = bytes_[header.start];
        if (marker >> 4 != kInteger || (marker & 0x0F) > 3) return Refuse("bad count");
        const std::size_t size = std::size_t{1} << (marker & 0x0F);
        if (!Fits(header.start + 1, size, 1)) return Refuse("object runs past its end");
        header.count = Number(header.start + 1, size);
        header.start += 1 + size;
        return true;
    }

    static std::uint64_t ElementBytes(const ObjectHeader& header) {
        switch (header.kind) {
            case kUtf16String:
                return 2;
            case kArray:
                return 1;
            case kDict:
                return 2;
            default:
                return 1;
        }
    }

    static void Add(Cost& total, const Cost& part) {
        total.values = std::min<std::uint64_t>(total.values + part.values, kMaxPlistObjects + 1);
        total.bytes = std::min<std::uint64_t>(total.bytes + part.bytes, kMaxPlistValueBytes + 1);
    }

    bool OverBudget(const Cost& cost) {
        if (cost.values > kMaxPlistObjects) return Fail("too many values"), true;
        if (cost.bytes > kMaxPlistValueBytes) return Fail("too much string and data"), true;
        return false;
    }

    // First pass: checks the object and everything below it, and answers what building it
    // would produce. Shared objects are measured once and charged at every reference.
    std::optional<Cost> Measure(std::uint64_t ref, std::size_t depth) {
        const auto index = static_cast<std::size_t>(ref);
        if (ref < objectCount_ && visits_[index] == Visit::kDone) {
            // Shared: the same tree again, which must also fit where it is used this time.
            if (depth + costs_[index].height > kMaxPlistDepth) return Fail("nesting too deep");
            return costs_[index];
        }
        if (ref < objectCount_ && visits_[index] == Visit::kOpen) {
            return Fail("an object contains itself");
        }
        const auto header = Header(ref);
        if (!header) return std::nullopt;
        Cost cost{1, 0, 0};
        if (header->kind == kArray || header->kind == kDict) {
            if (depth >= kMaxPlistDepth) return Fail("nesting too deep");
            if (header->count > tableStart_) return Fail("container runs past its end");
            const std::uint64_t refs = header->count * ElementBytes(*header);
            if (!Fits(header->start, refs, refSize_)) return Fail("container runs past its end");
            visits_[index] = Visit::kOpen;
            for (std::uint64_t i = 0; i < refs; ++i) {
                const auto child = Measure(Reference(header->start, i), depth + 1);
                if (!child) return std::nullopt;
                if (header->kind == kDict && i < header->count && !IsStringObject(i, *header)) {
                    return Fail("dictionary key that is not a string");
                }
                Add(cost, *child);
                cost.height = std::max(cost.height, child->height + 1);
                if (OverBudget(cost)) return std::nullopt;
            }
        } else if (!MeasureScalar(*header, cost)) {
            return std::nullopt;
        }
        visits_[index] = Visit::kDone;
        costs_[index] = cost;
        return cost;
    }

    bool IsStringObject(std::uint64_t i, const ObjectHeader& dict) {
        const auto key = Header(Reference(dict.start, i));
        return key && (key->kind == kAsciiString || key->kind == kUtf16String);
    }

    std::uint64_t Reference(std::size_t start, std::uint64_t i) const {
        return Number(start + static_cast<std::size_t>(i) * refSize_, refSize_);
    }

    bool MeasureScalar(const ObjectHeader& header, Cost& cost) {
        switch (header.kind) {
            case kSimple:
                if (header.info == 0x8 || header.info == 0x9) return true;
                return Refuse("null, fill or unknown object");
            case kInteger:
                if (header.info > 4) return Refuse("bad integer size");
                if (!Fits(header.start, std::uint64_t{1} << header.info, 1)) break;
                return true;
            case kReal:
                if (header.info != 2 && header.info != 3) return Refuse("bad real size");
                if (!Fits(header.start, std::uint64_t{1} << header.info, 1)) break;
                return true;
            case kDate:
                if (header.info != 3) return Refuse("bad date size");
                if (!Fits(header.start, 8, 1)) break;
                return true;
            case kData:
            case kAsciiString:
            case kUtf16String:
                if (!Fits(header.start, header.count, ElementBytes(header))) break;
                // Charged at what the tree will hold: a UTF-16 unit takes up to 3 bytes of
                // UTF-8 (a pair of units, 4).
                cost.bytes = header.count * (header.kind == kUtf16String ? 3 : 1);
                return true;
            default:
                return Refuse("unsupported object kind");
        }
        return Refuse("object runs past its end");
    }

    // Second pass. Measure has checked bounds, kinds, cycles and limits for every object
    // reachable from the top, so building needs no checks beyond the contents of scalars.
    std::optional<PlistValue> Build(std::uint64_t ref) {
        const auto header = Header(ref);
        if (!header) return std::nullopt;
        switch (header->kind) {
            case kSimple:
                return PlistValue(header->info == 0x9);
            case kInteger:
                return BuildInteger(*header);
            case kReal:
                return BuildReal(*header);
            case kDate:
                return PlistValue(PlistDate{Double(header->start)});
            case kData: {
                const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(header->start);
                return PlistValue(
                    PlistData(first, first + static_cast<std::ptrdiff_t>(header->count)));
            }
            case kAsciiString:
            case kUtf16String: {
                auto text = BuildString(*header);
                if (!text) return std::nullopt;
                return PlistValue(std::move(*text));
            }
            case kArray:
                return BuildArray(*header);
            default:
                return BuildDict(*header);
        }
    }

    double Double(std::size_t at) const { return std::bit_cast<double>(Number(at, 8)); }

    std::optional<PlistValue> BuildInteger(const ObjectHeader& header) {
        if (header.info < 3) {
            return PlistValue(static_cast<std::int64_t>(Number(header.start, 1u << header.info)));
        }
        if (header.info == 3) {
            return PlistValue(static_cast<std::int64_t>(Number(header.start, 8)));
        }
        // 16 bytes: kept only when the value fits 64 signed bits.
        const std::uint64_t high = Number(header.start, 8);
        const std::uint64_t low = Number(header.start + 8, 8);
        const bool negative = (low >> 63) != 0;
        if (high != (negative ? ~std::uint64_t{0} : 0)) return Fail("integer too large");
        return PlistValue(static_cast<std::int64_t>(low));
    }

    std::optional<PlistValue> BuildReal(const ObjectHeader& header) {
        if (header.info == 3) return PlistValue(Double(header.start));
        const auto bits = static_cast<std::uint32_t>(Number(header.start, 4));
        return PlistValue(static_cast<double>(std::bit_cast<float>(bits)));
    }

    std::optional<std::string> BuildString(const ObjectHeader& header) {
        const auto content =
            bytes_.subspan(header.start, static_cast<std::size_t>(header.count) *
                                             static_cast<std::size_t>(ElementBytes(header)));
        if (header.kind == kUtf16String) return Utf16ToUtf8(content, true);
        for (const std::uint8_t byte : content) {
            if (byte >= 0x80) return Fail("non-ASCII byte in an ASCII string");
        }
        return std::string(content.begin(), content.end());
    }

    std::optional<PlistValue> BuildArray(const ObjectHeader& header) {
        PlistArray array;
        array.reserve(static_cast<std::size_t>(header.count));
        for (std::uint64_t i = 0; i < header.count; ++i) {
            auto item = Build(Reference(header.start, i));
            if (!item) return std::nullopt;
            array.push_back(std::move(*item));
        }
        return PlistValue(std::move(array));
    }

    std::optional<PlistValue> BuildDict(const ObjectHeader& header) {
        PlistDict dict;
        for (std::uint64_t i = 0; i < header.count; ++i) {
            const auto keyHeader = Header(Reference(header.start, i));
            if (!keyHeader) return std::nullopt;
            auto key = BuildString(*keyHeader);
            if (!key) return std::nullopt;
            auto value = Build(Reference(header.start, header.count + i));
            if (!value) return std::nullopt;
            dict.set(std::move(*key), std::move(*value));
        }
        return PlistValue(std::move(dict));
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t topObject_ = 0;
    std::size_t tableStart_ = 0;
    std::vector<Visit> visits_;
    std::vector<Cost> costs_;
    std::string error_;
};

}  // namespace

std::optional<PlistValue> ReadBinaryPlist(std::span<const std::uint8_t> bytes, std::string& error) {
    return BinaryReader(bytes).Read(error);
}

}  // namespace foundation::plist_internal
