// The entry rules over header lists alone: each refusal, the archive tops that are accepted,
// and the links a bundle needs.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "installer/pack/archive_entry_rules.h"

namespace {

using installer::ArchiveCaps;
using installer::CheckEntryList;
using installer::EntryHeader;
using installer::EntryKind;
using installer::EntryRefusal;

EntryHeader File(std::string name, std::uint64_t size = 1) {
    return {std::move(name), EntryKind::File, {}, size};
}
EntryHeader Link(std::string name, std::string target) {
    return {std::move(name), EntryKind::SymbolicLink, std::move(target), 0};
}
EntryHeader Of(EntryKind kind, std::string name) { return {std::move(name), kind, {}, 0}; }

// A sound pack's entries under `top` ("Demo.pack/", "./" or "").
std::vector<EntryHeader> SoundPack(const std::string& top) {
    return {Of(EntryKind::Folder, top + "Contents/"),
            File(top + "Contents/Info.plist"),
            Of(EntryKind::Folder, top + "Contents/Plugins/Packgate.bundle/"),
            File(top + "Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so.1.0"),
            Link(top + "Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so.1", "libx.so.1.0"),
            Link(top + "Contents/Plugins/Packgate.bundle/Contents/dylib/libx.so", "libx.so.1"),
            Link(top + "Contents/Plugins/Packgate.bundle/Current", "Contents/../Contents"),
            File(top + "Contents/Payload/Templates/a.txt")};
}

TEST(PackRules, SoundPacksPassUnderEveryTop) {
    for (const std::string top : {"Demo.pack/", "./Demo.pack/", "", "./"}) {
        auto headers = SoundPack(top);
        if (top.starts_with("./")) headers.insert(headers.begin(), Of(EntryKind::Folder, "./"));
        const auto refusal = CheckEntryList(headers);
        EXPECT_FALSE(refusal) << top << ": " << refusal->entry;
    }
}

struct RefusalCase {
    EntryHeader hostile;
    EntryRefusal refusal;
};

TEST(PackRules, EachHostileEntryIsRefusedForItsReason) {
    const std::string p = "Demo.pack/Contents/";
    const std::vector<RefusalCase> cases{
        {File("/etc/passwd"), EntryRefusal::AbsolutePath},
        {File(p + "Payload/../../../x"), EntryRefusal::DotDot},
        {File(p + "Payload/a/../b"), EntryRefusal::DotDot},
        {File(p + "Payload/\xff\xfe.txt"), EntryRefusal::BadEncoding},
        {File(p + "Payload/\xc0\xaf"), EntryRefusal::BadEncoding},
        {File(p + "Payload/a\nb"), EntryRefusal::ControlCharacter},
        {File(p + "Payload/" + std::string(256, 'n')), EntryRefusal::NameTooLong},
        {File(p + "Payload/" + [] {
             std::string deep;
             for (int i = 0; i < 20; ++i) deep += std::string(200, 'd') + "/";
             return deep + "f";
         }()),
         EntryRefusal::PathTooLong},
        {File("Demo.pack/ReadMe.txt"), EntryRefusal::OutsideContents},
        {File("Other.pack/Contents/Info2.plist"), EntryRefusal::OutsideContents},
        {File("Contents/Payload/mixed-top.txt"), EntryRefusal::OutsideContents},
        {File("ReadMe.txt"), EntryRefusal::OutsideContents},
        {{p + "Payload/hard", EntryKind::HardLink, p + "Info.plist", 0}, EntryRefusal::HardLink},
        {Of(EntryKind::Device, p + "Payload/dev"), EntryRefusal::Device},
        {Of(EntryKind::Fifo, p + "Payload/fifo"), EntryRefusal::Fifo},
        {Of(EntryKind::Socket, p + "Payload/socket"), EntryRefusal::Socket},
        {Of(EntryKind::Other, p + "Payload/odd"), EntryRefusal::OtherKind},
        {Link(p + "Payload/link", "a.txt"), EntryRefusal::LinkInPayload},
        {Link(p + "Plugins/into", "../Payload/Templates"), EntryRefusal::LinkIntoPayload},
        {Link(p + "Plugins/into", "../Payload"), EntryRefusal::LinkIntoPayload},
        {Link(p + "Plugins/out", "../../.."), EntryRefusal::LinkOutside},
        {Link(p + "Plugins/out", "/usr/lib"), EntryRefusal::LinkOutside},
        {Link(p + "Plugins/empty", ""), EntryRefusal::LinkOutside},
        // Read lexically "Current/../.." stays inside; through the link it would not.
        {Link(p + "Plugins/through", "Packgate.bundle/Current/x"), EntryRefusal::BeneathLink},
        {File(p + "Plugins/Packgate.bundle/Current/planted"), EntryRefusal::BeneathLink},
        {File(p + "Info.plist"), EntryRefusal::Duplicate},
        {Of(EntryKind::Folder, p + "Info.plist"), EntryRefusal::Duplicate},
        {File(p + "Payload/big", ArchiveCaps{}.fileBytes + 1), EntryRefusal::FileTooLarge},
    };
    for (const RefusalCase& test : cases) {
        auto headers = SoundPack("Demo.pack/");
        headers.push_back(test.hostile);
        const auto refusal = CheckEntryList(headers);
        ASSERT_TRUE(refusal) << test.hostile.name;
        EXPECT_EQ(refusal->entry, test.hostile.name);
        EXPECT_EQ(installer::ReasonKey(refusal->refusal), installer::ReasonKey(test.refusal))
            << test.hostile.name;
    }
}

// The checks keep no entry's header but the links': an entry beneath a link is refused
// whichever comes first in the archive, and of several refusals the earliest entry's is told.
TEST(PackRules, EntriesBeneathALinkAreRefusedInEitherOrder) {
    const std::string p = "Demo.pack/Contents/Plugins/";
    auto headers = SoundPack("Demo.pack/");
    headers.insert(headers.begin() + 2, File(p + "Hidden/planted"));
    headers.insert(headers.begin() + 3, File(p + "Hidden/deeper/also"));
    headers.push_back(Link(p + "Hidden", "Packgate.bundle"));
    auto refusal = CheckEntryList(headers);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->refusal, EntryRefusal::BeneathLink);
    EXPECT_EQ(refusal->entry, p + "Hidden/planted");

    // A link refused by itself that comes before the entry beneath another link is told first.
    headers = SoundPack("");
    headers.push_back(Link("Contents/Plugins/out", "/usr/lib"));
    headers.push_back(File("Contents/Plugins/Later/x"));
    headers.push_back(Link("Contents/Plugins/Later", "Packgate.bundle"));
    refusal = CheckEntryList(headers);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->refusal, EntryRefusal::LinkOutside);
    EXPECT_EQ(refusal->entry, "Contents/Plugins/out");
    // And after it, the entry beneath the later link is.
    std::swap(headers[headers.size() - 3], headers[headers.size() - 2]);
    refusal = CheckEntryList(headers);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->refusal, EntryRefusal::BeneathLink);
    EXPECT_EQ(refusal->entry, "Contents/Plugins/Later/x");
    // A name that only starts like the link is not beneath it.
    headers = SoundPack("");
    headers.push_back(File("Contents/Plugins/Later-not/x"));
    headers.push_back(Link("Contents/Plugins/Later", "Packgate.bundle"));
    EXPECT_FALSE(CheckEntryList(headers));
}

TEST(PackRules, CapsOnCountAndTotalCountEveryEntry) {
    ArchiveCaps caps;
    caps.entries = 9;
    caps.totalBytes = 10;
    auto headers = SoundPack("");
    EXPECT_FALSE(CheckEntryList(headers, caps));
    headers.push_back(File("Contents/Payload/b", 8));
    auto refusal = CheckEntryList(headers, caps);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->refusal, EntryRefusal::TotalTooLarge);
    headers.back().size = 1;
    headers.push_back(File("Contents/Payload/c"));
    refusal = CheckEntryList(headers, caps);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->refusal, EntryRefusal::TooManyEntries);
    EXPECT_EQ(refusal->entry, "Contents/Payload/c");
    EXPECT_EQ(installer::CapText(256ull << 20), "256 MiB");
    EXPECT_EQ(installer::CapText(1000), "1000 B");
}

}  // namespace
