// The rules an archive entry must pass before anything of the archive is written. They are
// pure functions of the entry's header facts (and, for links, of the whole list of entries),
// so every refusal can be checked without an archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// What an entry is, as its header says.
enum class EntryKind { File, Folder, SymbolicLink, HardLink, Device, Fifo, Socket, Other };

// Why an entry is refused; each has its words ("pack.reason.<name>", ReasonKey).
enum class EntryRefusal {
    AbsolutePath,
    DotDot,
    BadEncoding,
    ControlCharacter,
    NameTooLong,
    PathTooLong,
    OutsideContents,  // Not under Contents/ of the pack (or under a second top folder).
    HardLink,
    Device,
    Fifo,
    Socket,
    OtherKind,
    LinkInPayload,
    LinkIntoPayload,
    LinkOutside,
    BeneathLink,  // Would be written through a link the archive itself makes.
    Duplicate,
    FileTooLarge,
    TotalTooLarge,
    TooManyEntries,
};

// The key of the words that explain `refusal`.
std::string ReasonKey(EntryRefusal refusal);

// Names the file system cannot hold: one component past NAME_MAX, or a path that would not
// fit PATH_MAX under the folder it is unpacked into.
inline constexpr std::size_t kMaxNameBytes = 255;
inline constexpr std::size_t kMaxEntryPathBytes = 3840;

// The caps of the archive reader (tests lower them).
struct ArchiveCaps {
    std::size_t entries = 200000;
    std::uint64_t fileBytes = 256ull << 20;   // 256 MiB per file
    std::uint64_t totalBytes = 1ull << 30;    // 1 GiB in all
};

// A byte count as a person reads a cap: "256 MiB", "1 GiB", "1000 B".
std::string CapText(std::uint64_t bytes);

// An entry's header facts. `name` is the raw name (UTF-8 expected); `linkTarget` is set for
// symbolic and hard links.
struct EntryHeader {
    std::string name;
    EntryKind kind = EntryKind::File;
    std::string linkTarget;
    std::uint64_t size = 0;
};

// The entry's place inside the pack folder ("Contents/..." or "" for the pack folder itself),
// once the archive's top (NAME.pack/ or nothing) is taken off.
struct EntryPlace {
    std::string path;         // Components joined by "/", no "." or empty ones.
    std::string topFolder;    // "NAME.pack" when the archive holds the folder, else empty.
};

struct EntryCheck {
    std::optional<EntryPlace> place;
    std::optional<EntryRefusal> refusal;
};

// The checks of one entry by itself: its name, kind and size.
EntryCheck CheckEntryHeader(const EntryHeader& header, const ArchiveCaps& caps = {});

// A refused entry of a whole list, named as in the archive.
struct ListRefusal {
    std::string entry;
    EntryRefusal refusal;
};

// The checks across the entries of an archive, in order: one top folder for all, no
// duplicates, the caps on count and total size, and links (none in the payload, pointing inside
// the pack and not into the payload, nothing written through them). The first refusal, or
// nothing when every entry may be extracted.
std::optional<ListRefusal> CheckEntryList(const std::vector<EntryHeader>& headers,
                                          const ArchiveCaps& caps = {});

// The same checks made as the entries come, so an archive is read once: `add` answers the
// first refusal of an entry by itself or against those before it (the top folder, duplicates,
// the caps on count and total); `finish`, once all are in, the checks of links, which need
// every entry. An entry refused by `add` is not kept. Only the paths are kept (and the links
// whole), so an archive of many entries is checked in little memory.
class EntryListCheck {
  public:
    explicit EntryListCheck(const ArchiveCaps& caps = {});
    std::optional<ListRefusal> add(const EntryHeader& header);
    std::optional<ListRefusal> finish() const;
    std::size_t count() const { return count_; }
    // The archive's top folder ("NAME.pack", or empty when it holds Contents/ at its top),
    // once an entry has shown it.
    const std::optional<std::string>& top() const { return top_; }

  private:
    struct Refused {
        std::size_t at = 0;  // The entry's position in the archive.
        ListRefusal refusal;
    };
    void noteBeneath(std::size_t at, const std::string& name);
    void noteEntriesBeneath(const std::string& link);

    ArchiveCaps caps_;
    std::size_t count_ = 0;
    std::optional<std::string> top_;
    // Each path with its entry's position in the archive.
    std::map<std::string, std::size_t> files_;
    std::map<std::string, std::size_t> folders_;
    std::set<std::string> links_;
    std::vector<std::pair<std::size_t, EntryHeader>> linkHeaders_;
    // The first entry (in archive order) that lies beneath a link, wherever the link came.
    std::optional<Refused> beneath_;
    std::uint64_t total_ = 0;
};

}  // namespace installer
