#include "installer/pack/pack_archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "installer/pack/archive_name_locale.h"
#include "installer/pack/direct_file_writer.h"
#include "installer/pack/pack_folder.h"
#include "installer/pack/pack_words.h"
#include "installer/pack/small_file_writers.h"

namespace installer {
namespace {

using Reader = std::unique_ptr<archive, decltype(&archive_read_free)>;

constexpr const char* kUnpackedPrefix = "packgate-pack-";
// Files of up to this many bytes are read whole and written by the writers, at most this
// much of them waiting at once; bigger ones are written as they are read.
constexpr std::uint64_t kQueuedFileBytes = kUnpackedPastCacheBytes;
constexpr std::size_t kWaitingBytes = 4u << 20;
constexpr std::size_t kWriterThreads = 2;

// The private folder an archive is unpacked into, removed with everything in it. It is
// locked (flock) while it lives, so that a folder left by a run that was killed can be told
// from one in use.
struct UnpackedFolder {
    UnpackedFolder() = default;
    UnpackedFolder(const UnpackedFolder&) = delete;
    UnpackedFolder& operator=(const UnpackedFolder&) = delete;
    std::string path;
    int lock = -1;
    ~UnpackedFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        if (lock >= 0) close(lock);
    }
};

// Takes the lock of the folder `path` (kept open as the answer), or -1 when another run
// holds it or it is no folder of ours.
int LockFolder(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat facts {};
    if (fstat(fd, &facts) != 0 || facts.st_uid != geteuid() || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Removes the private folders that runs killed before they could remove their own left in
// `base`: those of this user that no live run holds.
void RemoveAbandonedFolders(const std::string& base) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kUnpackedPrefix)) continue;
        const int lock = LockFolder(it->path().string());
        if (lock < 0) continue;
        std::error_code ignored;
        std::filesystem::remove_all(it->path(), ignored);
        close(lock);
    }
}

// Closes the archive file when the opening is done.
struct FileHandle {
    int fd = -1;
    ~FileHandle() {
        if (fd >= 0) close(fd);
    }
};

Reader OpenReader(int fd) {
    Reader reader(archive_read_new(), archive_read_free);
    if (!reader) return reader;
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_zip(reader.get());
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_filter_xz(reader.get());
    if (lseek(fd, 0, SEEK_SET) != 0 || archive_read_open_fd(reader.get(), fd, 64 * 1024) != ARCHIVE_OK) {
        reader.reset();
    }
    return reader;
}

EntryKind KindOf(archive_entry* entry) {
    if (archive_entry_hardlink(entry)) return EntryKind::HardLink;
    switch (archive_entry_filetype(entry)) {
        case AE_IFREG: return EntryKind::File;
        case AE_IFDIR: return EntryKind::Folder;
        case AE_IFLNK: return EntryKind::SymbolicLink;
        case AE_IFCHR:
        case AE_IFBLK: return EntryKind::Device;
        case AE_IFIFO: return EntryKind::Fifo;
        case AE_IFSOCK: return EntryKind::Socket;
        default: return EntryKind::Other;
    }
}

// A name as UTF-8 when the archive says how it is encoded, else its bytes as they stand (the
// rules then refuse what is not UTF-8).
std::string Text(const char* utf8, const char* raw) {
    if (utf8) return utf8;
    return raw ? raw : "";
}

EntryHeader HeaderOf(archive_entry* entry) {
    EntryHeader header;
    header.name = Text(archive_entry_pathname_utf8(entry), archive_entry_pathname(entry));
    header.kind = KindOf(entry);
    if (header.kind == EntryKind::SymbolicLink) {
        header.linkTarget = Text(archive_entry_symlink_utf8(entry), archive_entry_symlink(entry));
    } else if (header.kind == EntryKind::HardLink) {
        header.linkTarget = Text(archive_entry_hardlink_utf8(entry), archive_entry_hardlink(entry));
    }
    const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    header.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    return header;
}

struct Failure {
    std::string error;
    bool cannotRun = false;
};

std::string Refusal(const std::string& path, const std::string& entry, EntryRefusal refusal,
                    const ArchiveCaps& caps) {
    const std::string reason = PackText(ReasonKey(refusal),
                                        {{"file_cap", CapText(caps.fileBytes)},
                                         {"total_cap", CapText(caps.totalBytes)},
                                         {"count_cap", std::to_string(caps.entries)},
                                         {"name_cap", std::to_string(kMaxNameBytes)},
                                         {"path_cap", std::to_string(kMaxEntryPathBytes)}});
    return PackText("pack.error.refused",
                    {{"path", path}, {"entry", PrintableName(entry)}, {"reason", reason}});
}

std::string Damaged(const std::string& path, archive* reader) {
    const char* reason = archive_error_string(reader);
    return PackText("pack.error.damaged",
                    {{"path", path}, {"reason", PrintableName(reason ? reason : "?")}});
}

std::string DamagedAt(const std::string& path, const std::string& entry, archive* reader) {
    const char* reason = archive_error_string(reader);
    std::string shown = PrintableName(reason ? reason : "?");
    while (shown.ends_with(' ')) shown.pop_back();
    return PackText("pack.error.damaged_at",
                    {{"path", path}, {"entry", PrintableName(entry)}, {"reason", shown}});
}

Failure SystemFailure(const std::string& path, const std::string& entry, int error) {
    return {PackText("pack.error.unpack", {{"path", path},
                                           {"entry", PrintableName(entry)},
                                           {"reason", std::strerror(error)}}),
            true};
}

// Makes the folders of `relative` under `base` that are not there yet. `last` remembers the
// folder made last, since the entries of one folder mostly come together.
bool MakeFolders(const std::string& base, const std::string& relative, std::string& last) {
    if (relative == last) return true;
    last = relative;
    std::string path = base;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        path += "/" + relative.substr(start, slash - start);
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
        start = slash + 1;
    }
    return true;
}

std::string Parent(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::string JoinPath(const std::string& base, const std::string& relative) {
    return relative.empty() ? base : base + "/" + relative;
}

// Bytes unpacked so far, against the caps: a header may understate what its data expands to.
struct Unpacked {
    const ArchiveCaps& caps;
    std::uint64_t total = 0;
    std::vector<char> buffer = std::vector<char>(1u << 20);  // One for every file.
};

mode_t FileMode(archive_entry* entry) { return (archive_entry_perm(entry) & 0755) | 0600; }

// Reads the entry's data, held to the caps as it comes, handing each piece to `take` (which
// answers a failure, or nothing to go on). archive_read_data (not the raw blocks) holds each
// entry to the size its header states.
template <typename Take>
std::optional<Failure> ReadData(const std::string& path, archive* reader, const std::string& name,
                                Unpacked& unpacked, Take&& take) {
    std::uint64_t read = 0;
    std::vector<char>& buffer = unpacked.buffer;
    for (;;) {
        const la_ssize_t count = archive_read_data(reader, buffer.data(), buffer.size());
        if (count == 0) return std::nullopt;
        if (count < 0) return Failure{DamagedAt(path, name, reader)};
        read += static_cast<std::uint64_t>(count);
        unpacked.total += static_cast<std::uint64_t>(count);
        if (read > unpacked.caps.fileBytes) {
            return Failure{Refusal(path, name, EntryRefusal::FileTooLarge, unpacked.caps)};
        }
        if (unpacked.total > unpacked.caps.totalBytes) {
            return Failure{Refusal(path, name, EntryRefusal::TotalTooLarge, unpacked.caps)};
        }
        if (auto failure = take(buffer.data(), static_cast<std::size_t>(count))) return failure;
    }
}

// Writes a file entry as `leaf` in `folder`. A small one (by the bytes it holds, not by what
// its header says) is read whole and given to the writers; one that outgrows that is written
// here as it is read, past the page cache. `writersFailed` is set when an earlier file could
// not be written (the writers say which).
std::optional<Failure> WriteFile(const std::string& path, archive* reader, archive_entry* entry,
                                 const std::string& name, const std::string& folder,
                                 const std::string& leaf, Unpacked& unpacked, SmallFileWriters& writers,
                                 bool& writersFailed) {
    std::vector<char> bytes;
    std::optional<DirectFileWriter> file;
    const auto take = [&](const char* data, std::size_t count) -> std::optional<Failure> {
        if (!file && bytes.size() + count <= kQueuedFileBytes) {
            bytes.insert(bytes.end(), data, data + count);
            return std::nullopt;
        }
        if (!file) {
            file.emplace();
            if (!file->create(folder + "/" + leaf, FileMode(entry)) || !file->write(bytes.data(), bytes.size())) {
                return SystemFailure(path, name, errno);
            }
            std::vector<char>().swap(bytes);
        }
        if (!file->write(data, count)) return SystemFailure(path, name, errno);
        return std::nullopt;
    };
    if (auto failure = ReadData(path, reader, name, unpacked, take)) return failure;
    if (!file) {
        writersFailed = !writers.write(folder, leaf, FileMode(entry), std::move(bytes), name);
        return std::nullopt;
    }
    if (!file->finish()) return SystemFailure(path, name, errno);
    return std::nullopt;
}

struct PendingLink {
    std::string name;
    std::string target;
    std::string place;
};

// One pass over the archive: each entry is checked (by itself and against those before it)
// before anything of it is written under a folder of `base`; the checks that need every
// entry come last, before any link is made, so that nothing is ever written through one.
// `folder` receives the pack folder.
std::optional<Failure> Unpack(const std::string& path, int fd, const ArchiveCaps& caps,
                              const std::string& base, std::string& folder) {
    Reader reader = OpenReader(fd);
    if (!reader) return Failure{PackText("pack.error.not_pack", {{"path", path}})};
    EntryListCheck check(caps);
    Unpacked unpacked{caps};
    SmallFileWriters writers(kWriterThreads, kWaitingBytes);
    bool writersFailed = false;
    std::vector<PendingLink> links;
    std::string lastFolder;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) {
            if (check.count() == 0) return Failure{PackText("pack.error.not_pack", {{"path", path}})};
            return Failure{Damaged(path, reader.get())};
        }
        const EntryHeader header = HeaderOf(entry);
        if (auto refused = check.add(header)) {
            return Failure{Refusal(path, refused->entry, refused->refusal, caps)};
        }
        const std::string place = CheckEntryHeader(header, caps).place->path;
        if (place.empty()) continue;
        if (folder.empty()) {
            folder = base + "/" + (check.top()->empty() ? PackFolderNameFor(path) : *check.top());
            if (mkdir(folder.c_str(), 0755) != 0) return SystemFailure(path, *check.top(), errno);
        }
        const bool isFolder = header.kind == EntryKind::Folder;
        if (!MakeFolders(folder, isFolder ? place : Parent(place), lastFolder)) {
            return SystemFailure(path, header.name, errno);
        }
        if (header.kind == EntryKind::SymbolicLink) {
            links.push_back({header.name, header.linkTarget, place});
        } else if (header.kind == EntryKind::File) {
            const std::string leaf = place.substr(place.rfind('/') + 1);  // npos + 1: all of it.
            if (auto failure = WriteFile(path, reader.get(), entry, header.name, JoinPath(folder, Parent(place)),
                                         leaf, unpacked, writers, writersFailed)) {
                return failure;
            }
            if (writersFailed) break;
        }
    }
    if (auto failed = writers.finish()) return SystemFailure(path, failed->entry, failed->error);
    if (check.count() == 0) return Failure{PackText("pack.error.not_pack", {{"path", path}})};
    if (auto refused = check.finish()) {
        return Failure{Refusal(path, refused->entry, refused->refusal, caps)};
    }
    if (folder.empty()) {
        folder = base + "/" + PackFolderNameFor(path);
        if (mkdir(folder.c_str(), 0755) != 0) return SystemFailure(path, "", errno);
    }
    for (const PendingLink& link : links) {
        if (symlink(link.target.c_str(), (folder + "/" + link.place).c_str()) != 0) {
            return SystemFailure(path, link.name, errno);
        }
    }
    return std::nullopt;
}

std::string TemporaryBase() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

}  // namespace

std::string PackFolderNameFor(const std::string& archivePath) {
    std::string name = std::filesystem::path(archivePath).filename().string();
    for (const char* extension : {".tgz", ".txz", ".zip", ".gz", ".xz", ".tar"}) {
        if (name.ends_with(extension)) name.resize(name.size() - std::strlen(extension));
    }
    if (name.empty() || name == ".pack") return "Pack.pack";
    return name.ends_with(".pack") ? name : name + ".pack";
}

PackOpening OpenPackArchive(const std::string& path, const ArchiveCaps& caps, const PackGate& gate) {
    const ArchiveNameLocale utf8Names;
    FileHandle file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        return {{}, PackText("pack.error.unreadable", {{"path", path}, {"reason", std::strerror(errno)}}), true};
    }
    RemoveAbandonedFolders(TemporaryBase());
    std::string pattern = TemporaryBase() + "/" + kUnpackedPrefix + "XXXXXX";
    if (!mkdtemp(pattern.data())) {
        return {{}, PackText("pack.error.no_folder", {{"path", pattern}, {"reason", std::strerror(errno)}}), true};
    }
    // Others may pass through (never list or write), so the pane's helper, which never runs
    // as root, can load the bundle of a pack that passed its signature check by its path.
    chmod(pattern.c_str(), 0711);
    auto unpacked = std::make_shared<UnpackedFolder>();
    unpacked->path = pattern;
    unpacked->lock = LockFolder(pattern);
    std::string folder;
    if (auto failure = Unpack(path, file.fd, caps, pattern, folder)) {
        return {{}, failure->error, failure->cannotRun};
    }
    PackOpening opening = OpenPackFolder(folder, path, gate, true);
    if (opening.pack) opening.pack->openedArchive = unpacked;
    return opening;
}

}  // namespace installer
