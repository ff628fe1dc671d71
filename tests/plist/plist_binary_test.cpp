// Binary property lists: files written by plistlib and by our fixture encoder, and hand-built
// hostile files (cycles, shared-object blow-ups, lying trailers, truncation, wrong kinds).
#include <gtest/gtest.h>

#include <limits>

#include "foundation/plist_read.h"
#include "plist_encoders.h"
#include "plist_test_support.h"

namespace {

using foundation::kMaxPlistDepth;
using foundation::ParsePropertyList;
using foundation::PlistArray;
using foundation::PlistData;
using foundation::PlistValue;
using plist_test::Array;
using plist_test::Bytes;
using plist_test::Dict;
using plist_test::Int;

// Big-endian; sizes past 8 bytes (lying trailers) are padded with leading zeros.
void PutNumber(Bytes& out, std::uint64_t value, unsigned size) {
    for (unsigned i = size; i-- > 0;) {
        out.push_back(static_cast<std::uint8_t>(i < 8 ? value >> (8 * i) : 0));
    }
}

// A binary list assembled object by object, with every trailer field open to lies.
struct RawPlist {
    std::vector<Bytes> objects;
    unsigned offsetSize = 1;
    unsigned refSize = 1;
    std::uint64_t top = 0;
    std::optional<std::uint64_t> objectCount;
    std::optional<std::uint64_t> tableOffset;
    std::vector<std::optional<std::uint64_t>> offsetOverrides;

    std::size_t Add(Bytes body) {
        objects.push_back(std::move(body));
        return objects.size() - 1;
    }

    Bytes Build() const {
        Bytes out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<std::uint64_t> offsets;
        for (const auto& body : objects) {
            offsets.push_back(out.size());
            out.insert(out.end(), body.begin(), body.end());
        }
        const std::uint64_t table = out.size();
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            std::uint64_t offset = offsets[i];
            if (i < offsetOverrides.size() && offsetOverrides[i]) offset = *offsetOverrides[i];
            PutNumber(out, offset, offsetSize);
        }
        out.insert(out.end(), 6, 0);
        out.push_back(static_cast<std::uint8_t>(offsetSize));
        out.push_back(static_cast<std::uint8_t>(refSize));
        PutNumber(out, objectCount.value_or(objects.size()), 8);
        PutNumber(out, top, 8);
        PutNumber(out, tableOffset.value_or(table), 8);
        return out;
    }
};

Bytes Ascii(const std::string& text) {
    Bytes body;
    body.push_back(static_cast<std::uint8_t>(0x50 | text.size()));
    for (const char c : text) body.push_back(static_cast<std::uint8_t>(c));
    return body;
}

// An array (or dictionary) body with one-byte references.
Bytes Container(unsigned kind, const std::vector<std::size_t>& refs, std::size_t count) {
    Bytes body;
    if (count < 15) {
        body.push_back(static_cast<std::uint8_t>(kind << 4 | count));
    } else {
        body = {static_cast<std::uint8_t>(kind << 4 | 0xF), 0x11};
        PutNumber(body, count, 2);
    }
    for (const auto ref : refs) PutNumber(body, ref, 1);
    return body;
}

Bytes ArrayOf(const std::vector<std::size_t>& refs) {
    return Container(0xA, refs, refs.size());
}

std::optional<PlistValue> Read(const Bytes& bytes, std::string* error = nullptr) {
    unsigned format = 0;
    auto value = ParsePropertyList(bytes, error, &format);
    if (value) {
        EXPECT_EQ(format, 200u);
    }
    return value;
}

// ---- files written by plistlib ------------------------------------------------------------

TEST(BinaryFromPlistlibTest, ReadsEveryKindOfValueAndSharedObjects) {
    packgate_test::ScratchFolder folder;
    // plistlib writes equal values once and refers to them from every place they occur.
    const PlistValue repeated = Array({plist_test::EveryKindTree(), plist_test::EveryKindTree(),
                                       Dict({{"Product Name", "Quillet"}})});
    ASSERT_TRUE(plist_test::PlistlibWrite(
        folder.path(),
        {{"every", "binary", plist_test::EveryKindTree()}, {"repeated", "binary", repeated}}));
    const auto every = Read(plist_test::ReadFile(folder / "every.plist"));
    ASSERT_TRUE(every);
    EXPECT_TRUE(plist_test::SameTree(*every, plist_test::EveryKindTree()));
    const auto shared = Read(plist_test::ReadFile(folder / "repeated.plist"));
    ASSERT_TRUE(shared);
    EXPECT_TRUE(plist_test::SameTree(*shared, repeated));
}

TEST(BinaryFromPlistlibTest, ReadsWideReferencesOffsetsAndLongCounts) {
    packgate_test::ScratchFolder folder;
    PlistArray many;
    // More than 2^16 objects need 4-byte references.
    for (int i = 0; i < 66000; ++i) many.push_back(Int(i * 3 - 1000));
    const std::string longText(5000, 'q');
    const PlistValue tree = Dict({{"many", PlistValue(many)},
                                  {"long", longText},
                                  {"wide", "\xe6\x97\xa5\xe6\x9c\xac" + longText},
                                  {"max", Int(std::numeric_limits<std::int64_t>::max())},
                                  {"min", Int(std::numeric_limits<std::int64_t>::min())},
                                  {"blob", PlistValue(PlistData(70000, 0x5a))}});
    ASSERT_TRUE(plist_test::PlistlibWrite(folder.path(), {{"wide", "binary", tree}}));
    const auto value = Read(plist_test::ReadFile(folder / "wide.plist"));
    ASSERT_TRUE(value && value->dict());
    EXPECT_EQ(value->dict()->keys(), tree.dict()->keys());
    EXPECT_TRUE(*value == tree);  // not EXPECT_EQ: a failure would print 70000 numbers
}

TEST(BinaryKindsTest, SixteenByteIntegersReadOnlyWithinSigned64Bits) {
    // Writers use 16 bytes for values past the signed 64-bit range, such as 2^63.
    RawPlist big;
    Bytes sixteen = {0x14};
    PutNumber(sixteen, 0, 8);
    PutNumber(sixteen, std::uint64_t{1} << 63, 8);
    big.Add(sixteen);
    EXPECT_FALSE(Read(big.Build()));
    RawPlist negative;
    Bytes minusOne = {0x14};
    PutNumber(minusOne, ~std::uint64_t{0}, 8);
    PutNumber(minusOne, ~std::uint64_t{0}, 8);
    negative.Add(minusOne);
    EXPECT_EQ(Read(negative.Build()), Int(-1));
}

// ---- our fixture encoder ------------------------------------------------------------------

TEST(BinaryEncoderTest, RoundTripsAndPlistlibAgrees) {
    const PlistValue tree = Array(
        {plist_test::EveryKindTree(), PlistValue(PlistData(300, 1)), std::string(40, 'x'), 1e-300});
    const Bytes bytes = packgate_test::BinaryPropertyListBytes(tree);
    const auto back = Read(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(plist_test::SameTree(*back, tree));
    packgate_test::ScratchFolder folder;
    plist_test::WriteFile(folder / "ours.plist", bytes);
    EXPECT_TRUE(plist_test::PlistlibReadsAs(folder / "ours.plist", tree));
}

// ---- cycles and sharing -------------------------------------------------------------------

TEST(BinaryHostileTest, ContainerHoldingItselfIsRefused) {
    RawPlist raw;
    raw.Add(ArrayOf({0}));
    std::string error;
    EXPECT_FALSE(Read(raw.Build(), &error));
    EXPECT_NE(error.find("contains itself"), std::string::npos) << error;
}

TEST(BinaryHostileTest, IndirectCycleThroughADictionaryIsRefused) {
    RawPlist raw;
    raw.Add(ArrayOf({1}));               // 0: [ 1 ]
    raw.Add(Container(0xD, {2, 0}, 1));  // 1: { key: 0 }
    raw.Add(Ascii("key"));               // 2
    EXPECT_FALSE(Read(raw.Build()));
}

TEST(BinaryHostileTest, SharedObjectsAreCopiedWithinTheLimit) {
    RawPlist raw;
    raw.Add(ArrayOf(std::vector<std::size_t>(200, 1)));
    raw.Add(Ascii("same"));
    const auto value = Read(raw.Build());
    ASSERT_TRUE(value && value->array());
    EXPECT_EQ(value->array()->size(), 200u);
    EXPECT_EQ(*value->array()->back().string(), "same");
}

TEST(BinaryHostileTest, SharedObjectBlowUpStopsAtTheObjectCap) {
    // Forty arrays, each holding the next one eight times: 8^40 values from a tiny file.
    RawPlist raw;
    raw.offsetSize = 2;
    for (std::size_t i = 0; i < 40; ++i) raw.Add(ArrayOf(std::vector<std::size_t>(8, i + 1)));
    raw.Add(Ascii("leaf"));
    const Bytes bytes = raw.Build();
    EXPECT_LT(bytes.size(), 600u);
    std::string error;
    EXPECT_FALSE(Read(bytes, &error));
    EXPECT_NE(error.find("too many values"), std::string::npos) << error;
}

TEST(BinaryHostileTest, SharedDataBlowUpStopsAtTheByteCap) {
    // One megabyte of data referenced 100 times: few values, but 100 MB of copies.
    RawPlist raw;
    raw.Add(ArrayOf(std::vector<std::size_t>(100, 1)));
    Bytes blob = {0x4F, 0x12};
    PutNumber(blob, 1u << 20, 4);
    blob.resize(blob.size() + (1u << 20), 0x77);
    raw.Add(blob);
    raw.offsetSize = 4;
    std::string error;
    EXPECT_FALSE(Read(raw.Build(), &error));
    EXPECT_NE(error.find("too much"), std::string::npos) << error;
}

TEST(BinaryHostileTest, SharedUtf16TextCountsAtItsUtf8Size) {
    // 2^20 units of U+65E5 are 2 MiB in the file and 3 MiB of UTF-8 in the tree: 22 copies
    // pass the byte cap, 4 do not come near it.
    const auto file = [](std::size_t copies) {
        RawPlist raw;
        raw.offsetSize = 4;
        raw.Add(ArrayOf(std::vector<std::size_t>(copies, 1)));
        Bytes text = {0x6F, 0x12};
        PutNumber(text, 1u << 20, 4);
        for (std::size_t i = 0; i < (1u << 20); ++i) PutNumber(text, 0x65E5, 2);
        raw.Add(text);
        return raw.Build();
    };
    std::string error;
    EXPECT_FALSE(Read(file(22), &error));
    EXPECT_NE(error.find("too much"), std::string::npos) << error;
    const auto value = Read(file(4));
    ASSERT_TRUE(value && value->array());
    EXPECT_EQ(value->array()->back().string()->size(), 3u << 20);
}

// A chain of `depth` arrays, each holding the next, the last one empty.
RawPlist ArrayChain(std::size_t depth) {
    RawPlist raw;
    raw.refSize = depth < 256 ? 1 : 4;
    raw.offsetSize = 4;
    for (std::size_t i = 0; i < depth; ++i) {
        Bytes body;
        if (i + 1 == depth) {
            body = {0xA0};
        } else {
            body = {0xA1};
            PutNumber(body, i + 1, raw.refSize);
        }
        raw.Add(body);
    }
    return raw;
}

TEST(BinaryHostileTest, NestingUpToTheLimitReadsAndDeeperFails) {
    EXPECT_TRUE(Read(ArrayChain(kMaxPlistDepth).Build()));
    std::string error;
    EXPECT_FALSE(Read(ArrayChain(kMaxPlistDepth + 1).Build(), &error));
    EXPECT_NE(error.find("deep"), std::string::npos) << error;
    EXPECT_FALSE(Read(ArrayChain(100000).Build()));
}

TEST(BinaryHostileTest, SharedSubtreeCountsItsDepthAtEveryUse) {
    // Object 0 holds the lower half of a 600-deep chain, then the whole chain: the second use
    // meets the already measured lower half 300 levels down, 601 containers deep in all.
    RawPlist raw = ArrayChain(601);
    raw.objects[0] = {0xA2};
    PutNumber(raw.objects[0], 301, raw.refSize);  // the lower half of the chain, directly
    PutNumber(raw.objects[0], 1, raw.refSize);    // the whole chain
    EXPECT_FALSE(Read(raw.Build()));
    raw.objects[0] = {0xA2};
    PutNumber(raw.objects[0], 301, raw.refSize);
    PutNumber(raw.objects[0], 400, raw.refSize);  // a shorter part of the same half: fits
    EXPECT_TRUE(Read(raw.Build()));
}

// ---- lying trailers and offsets -----------------------------------------------------------

TEST(BinaryHostileTest, TrailerFieldsOutOfRangeAreRefused) {
    const auto variant = [](auto change) {
        RawPlist raw;
        raw.Add(ArrayOf({1}));
        raw.Add(Ascii("x"));
        change(raw);
        return raw.Build();
    };
    ASSERT_TRUE(Read(variant([](RawPlist&) {})));
    const std::vector<Bytes> bad = {
        variant([](RawPlist& r) { r.objectCount = 0; }),
        variant([](RawPlist& r) { r.objectCount = std::uint64_t{1} << 62; }),
        variant([](RawPlist& r) { r.objectCount = ~std::uint64_t{0}; }),
        variant([](RawPlist& r) { r.objectCount = 3; }),  // table runs into the trailer
        variant([](RawPlist& r) { r.top = 2; }),
        variant([](RawPlist& r) { r.top = ~std::uint64_t{0}; }),
        variant([](RawPlist& r) { r.offsetSize = 0; }),
        variant([](RawPlist& r) { r.offsetSize = 9; }),
        variant([](RawPlist& r) { r.refSize = 0; }),
        variant([](RawPlist& r) { r.refSize = 9; }),
        variant([](RawPlist& r) { r.tableOffset = 3; }),
        variant([](RawPlist& r) { r.tableOffset = 8; }),
        variant([](RawPlist& r) { r.tableOffset = 1u << 30; }),
        variant([](RawPlist& r) { r.tableOffset = ~std::uint64_t{0}; }),
        variant([](RawPlist& r) {
            r.offsetOverrides = {std::nullopt, 2};
        }),  // into magic
        variant([](RawPlist& r) {
            r.offsetOverrides = {std::nullopt, 13};
        }),  // into table
        variant([](RawPlist& r) {
            r.offsetOverrides = {std::nullopt, 255};
        }),  // past the end
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        std::string error;
        EXPECT_FALSE(Read(bad[i], &error)) << "case " << i;
        EXPECT_FALSE(error.empty()) << "case " << i;
    }
}

TEST(BinaryHostileTest, ReferencesAndLengthsBeyondTheFileAreRefused) {
    const std::vector<Bytes> objects = {
        ArrayOf({7}),                                  // reference past the object count
        {0x5F, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0, 'a'},  // string of 2^62 characters
        {0x6F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // UTF-16, 2^63 units
        {0x4F, 0x12, 0x00, 0x10, 0x00, 0x00, 1, 2},                    // data longer than the file
        {0xAF, 0x13, 0x20, 0, 0, 0, 0, 0, 0, 0},                       // array of 2^61 references
        {0xDF, 0x10, 0x80, 0},  // dict of 128 pairs, 1 byte there
        {0x5F, 0x50, 'x'},      // count that is not an integer
        {0x5F, 0x14, 0, 0},     // count of 16 bytes
        {0x5F},                 // count missing at the end
        {0x13, 1, 2},           // 8-byte integer, 2 bytes there
        {0x23, 1},              // 8-byte real, 1 byte there
    };
    for (std::size_t i = 0; i < objects.size(); ++i) {
        RawPlist raw;
        raw.Add(objects[i]);
        std::string error;
        EXPECT_FALSE(Read(raw.Build(), &error)) << "case " << i;
        EXPECT_FALSE(error.empty()) << "case " << i;
    }
}

TEST(BinaryHostileTest, TruncationAtEveryLengthFails) {
    const Bytes ours = packgate_test::BinaryPropertyListBytes(plist_test::EveryKindTree());
    packgate_test::ScratchFolder folder;
    ASSERT_TRUE(plist_test::PlistlibWrite(folder.path(),
                                          {{"every", "binary", plist_test::EveryKindTree()}}));
    const Bytes theirs = plist_test::ReadFile(folder / "every.plist");
    for (const Bytes* full : {&ours, &theirs}) {
        ASSERT_TRUE(Read(*full));
        for (std::size_t length = 0; length < full->size(); ++length) {
            const Bytes cut(full->begin(), full->begin() + static_cast<std::ptrdiff_t>(length));
            const auto value = ParsePropertyList(cut);
            // Short of the whole magic, "bplist0" is old-style text: a bare string.
            if (length < 8 && length > 0) {
                EXPECT_TRUE(value && value->string()) << "length " << length;
            } else {
                EXPECT_FALSE(value) << "length " << length;
            }
        }
    }
}

TEST(BinaryHostileTest, ChangedBytesNeverCrash) {
    // Every byte of a valid file set to a few telling values; whatever reads must be whole.
    const Bytes full = packgate_test::BinaryPropertyListBytes(plist_test::EveryKindTree());
    for (std::size_t i = 8; i < full.size(); ++i) {
        for (const int change : {0x00, 0x0F, 0x7F, 0x80, 0xFF}) {
            Bytes copy = full;
            copy[i] = static_cast<std::uint8_t>(change);
            (void)ParsePropertyList(copy);
        }
    }
    SUCCEED();
}

// ---- kinds of objects ---------------------------------------------------------------------

TEST(BinaryKindsTest, DictionaryKeysMustBeStrings) {
    RawPlist raw;
    raw.Add(Container(0xD, {1, 2}, 1));
    raw.Add({0x10, 0x05});  // integer key
    raw.Add(Ascii("value"));
    std::string error;
    EXPECT_FALSE(Read(raw.Build(), &error));
    EXPECT_NE(error.find("not a string"), std::string::npos) << error;
}

TEST(BinaryKindsTest, NullFillUidAndUnknownMarkersAreRefused) {
    for (const Bytes& body : std::vector<Bytes>{{0x00},
                                                {0x0F},
                                                {0x80, 0x01},
                                                {0x15, 0},
                                                {0x21, 0},
                                                {0x32, 0, 0, 0, 0},
                                                {0x70},
                                                {0xC0},
                                                {0xF0}}) {
        RawPlist raw;
        raw.Add(ArrayOf({1}));
        raw.Add(body);
        EXPECT_FALSE(Read(raw.Build())) << static_cast<int>(body[0]);
    }
}

TEST(BinaryKindsTest, AsciiStringsHoldOnlyAscii) {
    RawPlist raw;
    raw.Add({0x52, 'a', 0xE9});
    EXPECT_FALSE(Read(raw.Build()));
}

TEST(BinaryKindsTest, Utf16StringsWithPairsAndLoneSurrogates) {
    RawPlist raw;
    // "A", U+1F3A8 as a pair, a lone high surrogate, "B", a lone low surrogate.
    raw.Add({0x66, 0x00, 0x41, 0xD8, 0x3C, 0xDF, 0xA8, 0xD8, 0x00, 0x00, 0x42, 0xDC, 0x00});
    const auto value = Read(raw.Build());
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, PlistValue("A\xf0\x9f\x8e\xa8\xef\xbf\xbd"
                                 "B\xef\xbf\xbd"));
}

TEST(BinaryKindsTest, NumbersOfEverySize) {
    RawPlist raw;
    raw.Add(ArrayOf({1, 2, 3, 4, 5, 6, 7}));
    raw.Add({0x10, 0xFF});
    raw.Add({0x11, 0xFF, 0xFE});
    raw.Add({0x12, 0xFF, 0xFF, 0xFF, 0xFF});
    raw.Add({0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE});
    raw.Add({0x22, 0x3F, 0xC0, 0x00, 0x00});                          // 1.5f
    raw.Add({0x23, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18});  // pi
    raw.Add({0x33, 0x41, 0xC1, 0xE1, 0xA3, 0x00, 0x00, 0x00, 0x00});  // 600000000 s
    const auto value = Read(raw.Build());
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({Int(255), Int(65534), Int(4294967295), Int(-2), 1.5, 3.141592653589793,
                             foundation::PlistDate{600000000}}));
}

}  // namespace
