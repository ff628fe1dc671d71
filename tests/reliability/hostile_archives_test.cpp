// Hostile pack archives: entries aimed at a victim folder outside the pack (absolute paths,
// "..", links planted to write through, hard links to its files), and sound archives cut
// short or with bytes changed. Each is refused or opens soundly; the victim folder stays byte
// for byte as it was, and nothing is left in the temporary folder once the Pack is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fault_tally.h"
#include "installer/pack/pack.h"
#include "pack_fixture.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

constexpr const char* kFamily = "hostile archives";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class HostileArchives : public ::testing::Test {
  protected:
    packgate_test::ScratchFolder scratch{"pg-hostile"};
    std::string victim = scratch.MakeFolder("victim");
    std::string victimFile = scratch.Write("victim/keep.txt", "the user's own file\n");
    pack_test::PrivateTemporaryFolder tmp;

    // Opens `archive` and checks what must hold whatever the answer.
    void Survive(FaultCase& fault, const std::string& archive, bool mustRefuse) {
        {
            const installer::PackOpening opening = installer::OpenPack(archive);
            if (mustRefuse) {
                EXPECT_FALSE(opening.pack) << archive;
            }
            EXPECT_EQ(opening.pack.has_value(), opening.error.empty()) << opening.error;
            EXPECT_EQ(opening.error.find('\n'), std::string::npos);
            if (!opening.pack) {
                EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty());
            }
        }
        EXPECT_TRUE(pack_test::FolderContents(tmp.path()).empty()) << archive;
        if (pack_test::FolderContents(victim) != std::vector<std::string>{"keep.txt"} ||
            ReadAll(victimFile) != "the user's own file\n") {
            fault.dataLost();
            ADD_FAILURE() << archive << " wrote outside the pack";
        }
    }
};

TEST_F(HostileArchives, EntriesAimedOutsideThePackWriteNothingThere) {
    const std::string c = "Evil.pack/Contents/";
    const std::string up = "../../../../../../../../../..";
    const std::vector<std::pair<std::string, json>> cases{
        {"absolute path", {{{"name", victim + "/planted"}, {"data", "x"}}}},
        {"dot-dot path", {{{"name", c + up + victim + "/planted"}, {"data", "x"}}}},
        {"link then file through it",
         {{{"name", c + "Plugins/door"}, {"type", "symlink"}, {"target", victim}},
          {{"name", c + "Plugins/door/planted"}, {"data", "x"}}}},
        {"relative link then file through it",
         {{{"name", c + "Plugins/door"}, {"type", "symlink"}, {"target", up + victim}},
          {{"name", c + "Plugins/door/keep.txt"}, {"data", "overwritten"}}}},
        {"hard link to a victim file",
         {{{"name", c + "Payload/hard"}, {"type", "hardlink"}, {"target", victimFile}}}},
        {"link over the payload", {{{"name", c + "Payload"}, {"type", "symlink"}, {"target", victim}}}},
    };
    for (const auto& [name, extra] : cases) {
        for (const std::string form : {"tar", "zip"}) {
            if (form == "zip" && name.starts_with("hard link")) continue;
            FaultCase fault(kFamily, name + " (" + form + ")");
            json entries = pack_test::SoundEntries("Evil.pack/");
            for (const json& entry : extra) entries.push_back(entry);
            const std::string archive = scratch / ("evil." + form);
            pack_test::MakeEntriesArchive(form, archive, entries);
            Survive(fault, archive, true);
        }
    }
}

TEST_F(HostileArchives, DamagedArchivesAreRefusedOrSoundAndLeaveNothing) {
    const std::string folder = pack_test::MakePackFolder(scratch);
    for (const std::string form : {"tar.gz", "zip", "tar.xz"}) {
        const std::string sound = scratch / ("sound." + form);
        pack_test::MakeArchive(folder, form, "pack", sound);
        const std::string bytes = ReadAll(sound);
        const std::string damaged = scratch / ("damaged." + form);
        for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 12 + 1) {
            FaultCase fault(kFamily, form + " cut at " + std::to_string(cut));
            WriteAll(damaged, bytes.substr(0, cut));
            Survive(fault, damaged, false);
        }
        for (std::size_t at = 7; at < bytes.size(); at += bytes.size() / 12 + 1) {
            FaultCase fault(kFamily, form + " byte changed at " + std::to_string(at));
            std::string changed = bytes;
            changed[at] = static_cast<char>(changed[at] ^ 0x5A);
            WriteAll(damaged, changed);
            Survive(fault, damaged, false);
        }
    }
}

}  // namespace
}  // namespace packgate_reliability
