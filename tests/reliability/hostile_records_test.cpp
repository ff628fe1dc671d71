// Hostile property lists in every place the pane reads one: nesting far past any limit,
// binary object cycles and shared-object blow-ups, counts and lengths near 2^62, truncated
// files, text that is not UTF-8, wrong types where strings belong. Each is read as a broken
// record: no crash, no hang, consistent rows, and the hosts whose records are sound are still
// offered.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fault_tally.h"
#include "foundation/plist_read.h"
#include "pane_scene.h"

namespace packgate_reliability {
namespace {

using packgate_test::FakeMachine;

constexpr const char* kFamily = "hostile records";
const std::string kMakerTitle = "Quillet 5 Studio";
const std::string kStoreTitle = "Quillet 5 ( Apple Store )";

std::string Repeat(const std::string& text, std::size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

void PutBigEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

// A binary list of `objects`, offsets two bytes wide, references `refSize` bytes wide.
std::string BinaryList(const std::vector<std::string>& objects, int refSize = 2,
                       std::optional<std::uint64_t> count = std::nullopt) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t table = out.size();
    const int offsetSize = table > 0xFFFF ? 4 : 2;
    for (const std::uint64_t offset : offsets) PutBigEndian(out, offset, offsetSize);
    out += std::string(6, '\0');
    out.push_back(static_cast<char>(offsetSize));
    out.push_back(static_cast<char>(refSize));
    PutBigEndian(out, count.value_or(objects.size()), 8);
    PutBigEndian(out, 0, 8);
    PutBigEndian(out, table, 8);
    return out;
}

// A one-element array object referring to `ref`.
std::string ArrayOf(std::uint64_t ref) {
    std::string object(1, '\xA1');
    PutBigEndian(object, ref, 4);
    return object;
}

std::string DeepBinaryChain(std::size_t depth) {
    std::vector<std::string> objects;
    for (std::size_t i = 0; i < depth; ++i) objects.push_back(ArrayOf(i + 1));
    objects.push_back(
        "\x51"
        "a");
    return BinaryList(objects, 4);
}

struct HostileInput {
    std::string name;
    std::function<std::string()> bytes;
};

std::vector<HostileInput> HostileInputs() {
    return {
        {"a million open brackets", [] { return std::string(1000000, '('); }},
        {"old-style nested a hundred thousand deep",
         [] { return Repeat("{a=", 100000) + Repeat(";}", 100000); }},
        {"XML nested a hundred thousand deep",
         [] { return "<plist>" + Repeat("<array>", 100000) + Repeat("</array>", 100000); }},
        {"binary chain a hundred thousand deep", [] { return DeepBinaryChain(100000); }},
        {"binary self-reference", [] { return BinaryList({ArrayOf(0)}, 4); }},
        {"binary two-object cycle",
         [] {
             return BinaryList({ArrayOf(1), ArrayOf(0)}, 4);
         }},
        {"binary shared-object blow-up",
         [] {
             std::vector<std::string> objects;
             for (std::uint64_t i = 0; i < 60; ++i) {
                 std::string pair = "\xA2";
                 PutBigEndian(pair, i + 1, 2);
                 PutBigEndian(pair, i + 1, 2);
                 objects.push_back(pair);
             }
             objects.push_back(
                 "\x51"
                 "b");
             return BinaryList(objects);
         }},
        {"binary count of 2^62",
         [] {
             return BinaryList({"\x51"
                                "a"},
                               2, 1ull << 62);
         }},
        {"binary string of 2^62 bytes",
         [] {
             std::string object = "\x5F\x13";
             PutBigEndian(object, 1ull << 62, 8);
             return BinaryList({object});
         }},
        {"truncated binary", [] { return std::string("bplist00\xD1\x01\x02", 11); }},
        {"truncated XML", [] { return std::string("<?xml version=\"1.0\"?><plist><dict><key>V"); }},
        {"text that is not UTF-8",
         [] { return std::string("{ Velmora = { Brellion = { \xff\xfe = caf\xe9; }; }; }"); }},
        {"wrong types everywhere",
         [] {
             return std::string(
                 "{ Velmora = { Brellion = { q = ( \"Product Name\", Quillet ); r = <00ff>; }; };"
                 " \"Plist Path\" = { a = b; }; \"Main Program\" = ( ); \"Bundle ID\" = <01>;"
                 " \"Template Data\" = ( x ); EM2 = { }; \"Version Code\" = <3132>;"
                 " Product = ( Quillet ); CFBundleShortVersionString = { }; }");
         }},
        {"file one byte over the size limit",
         [] { return std::string(foundation::kMaxPlistFileBytes + 1, ' '); }},
    };
}

struct RecordPlace {
    std::string name;
    std::function<std::string(const PaneScene&)> path;
    std::vector<std::string> titles;  // hosts still offered with this record broken
};

std::vector<RecordPlace> RecordPlaces() {
    return {
        {"shared-data list",
         [](const PaneScene& s) { return s.machine.sharedDataListPath(); },
         {kStoreTitle}},
        {"host property list",
         [](const PaneScene& s) { return s.maker.hostPlistPath; },
         {kStoreTitle}},
        {"host preferences",
         [](const PaneScene& s) { return s.maker.preferencesPath; },
         {kStoreTitle}},
        {"application information file",
         [](const PaneScene& s) { return s.maker.appPath + "/Contents/Info.plist"; },
         {kStoreTitle}},
        {"container record", [](const PaneScene& s) { return s.store.recordPath; }, {kMakerTitle}},
        {"store property list",
         [](const PaneScene& s) { return s.store.storePlistPath; },
         {kMakerTitle}},
    };
}

TEST(HostileRecords, EveryHostileListInEveryPlaceCostsOnlyItsHost) {
    PaneScene scene;
    const auto inputs = HostileInputs();
    for (const RecordPlace& place : RecordPlaces()) {
        const std::string path = place.path(scene);
        const auto sound = FileBytes(path);
        ASSERT_TRUE(sound.has_value()) << path;
        for (const HostileInput& input : inputs) {
            // The size limit is one input, checked in the first place only: writing 16 MiB
            // six times would only slow the run.
            if (input.name.starts_with("file one byte") && place.name != "shared-data list") {
                continue;
            }
            FaultCase fault(kFamily, input.name + " as " + place.name);
            FakeMachine::writeText(path, input.bytes());
            scene.log.clear();
            scene.enter();
            EXPECT_EQ(RowProblems(scene.pane()), "") << input.name << " as " << place.name;
            EXPECT_EQ(scene.titles(), place.titles) << input.name << " as " << place.name;
        }
        FakeMachine::writeText(path, *sound);
    }
}

TEST(HostileRecords, HostileBundleResourcesLeaveTheHostsOffered) {
    PaneScene scene;
    for (const std::string resource : {"SetupSRC.plist", "en.lproj/Localizable.strings"}) {
        for (const HostileInput& input : HostileInputs()) {
            if (input.name.starts_with("file one byte")) continue;
            FaultCase fault(kFamily, input.name + " as " + resource);
            scene.bundle.writeResource(resource, input.bytes());
            scene.enter();
            EXPECT_EQ(RowProblems(scene.pane()), "") << input.name << " as " << resource;
            // Without its setup values the pack accepts every revision and both routes.
            EXPECT_EQ(scene.titles(), (std::vector<std::string>{kMakerTitle, kStoreTitle}))
                << input.name << " as " << resource;
        }
        scene.bundle.restoreResource(resource);
    }
}

TEST(HostileRecords, HostileHostInstallerListStillPostsAValidRecordOnContinue) {
    PaneScene scene;
    scene.enter();
    for (const HostileInput& input : HostileInputs()) {
        if (input.name.starts_with("file one byte")) continue;
        FaultCase fault(kFamily, input.name + " as host installer's list");
        FakeMachine::writeText(scene.machine.hostInstallerListPath(), input.bytes());
        scene.network.clear();
        EXPECT_TRUE(scene.exitForward()) << input.name;
        const auto calls = scene.network.callsNamed("EncryptWStringRC4");
        ASSERT_EQ(calls.size(), 1u) << input.name;
        EXPECT_NE(calls[0].text.find(L"\"Name\":\"Resource-Step2\""), std::wstring::npos);
    }
}

}  // namespace
}  // namespace packgate_reliability
