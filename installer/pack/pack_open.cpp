// Which form a pack has: a folder, or an archive file.
#include <sys/stat.h>

#include "installer/pack/pack.h"
#include "installer/pack/pack_archive.h"
#include "installer/pack/pack_folder.h"
#include "installer/pack/pack_words.h"

namespace installer {

PackOpening OpenPack(const std::string& path, const PackGate& gate) {
    struct stat facts {};
    if (path.empty() || stat(path.c_str(), &facts) != 0) {
        return {{}, PackText("pack.error.missing", {{"path", path}})};
    }
    if (S_ISDIR(facts.st_mode)) return OpenPackFolder(path, path, gate);
    if (S_ISREG(facts.st_mode)) return OpenPackArchive(path, {}, gate);
    return {{}, PackText("pack.error.not_pack", {{"path", path}})};
}

}  // namespace installer
