// Packs for the tests: a sound NAME.pack folder laid out by hand, its archives made by
// Python's tarfile and zipfile (pack_archives.py), hand-listed hostile archives, and a
// private TMPDIR, so that "nothing was left behind" can be checked.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scratch_folder.h"

namespace pack_test {

inline const std::string kTitle = "Test Storyboard Pack";
inline const std::string kIdentifier = "com.quillet.pack.test";
inline const std::string kVersion = "2.1";

// A sound pack folder `name` in `scratch`: an Info.plist, a small bundle whose library has
// its name links, and a payload of four files in two folders. Answers its path.
std::string MakePackFolder(const packgate_test::ScratchFolder& scratch,
                           const std::string& name = "Test.pack");

// `folder` packed as `form` (tar, tar.gz, tar.xz, zip) with `top` "pack" (NAME.pack/ at the
// top) or "contents" (Contents/ at the top) into `output`. Fails the test when it cannot.
void MakeArchive(const std::string& folder, const std::string& form, const std::string& top,
                 const std::string& output);

// An archive of exactly `entries` (pack_archives.py's entry objects).
void MakeEntriesArchive(const std::string& form, const std::string& output,
                        const nlohmann::json& entries);

// The entries of a small sound pack under `top` ("Hostile.pack/" or "").
nlohmann::json SoundEntries(const std::string& top = "Hostile.pack/");

// The names in `folder`, all depths, sorted.
std::vector<std::string> FolderContents(const std::string& folder);

// TMPDIR set to a new folder for the object's life (archives are unpacked there).
class PrivateTemporaryFolder {
  public:
    PrivateTemporaryFolder();
    ~PrivateTemporaryFolder();
    const std::string& path() const { return folder_.path(); }

  private:
    packgate_test::ScratchFolder folder_{"pg-tmpdir"};
    std::string previous_;
    bool hadPrevious_ = false;
};

}  // namespace pack_test
