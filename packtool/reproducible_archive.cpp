#include "packtool/reproducible_archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "installer/pack/archive_name_locale.h"
#include "packtool/pack_paths.h"
#include "system/utf8_text.h"

namespace packtool {
namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string name;  // In the archive: "NAME.pack/Contents/..." or "Contents/...".
    std::string path;  // On disk.
    struct stat facts {};
};

std::string Failed(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// Every entry below `folder`, links not followed, each named `prefix` + its path.
std::string Walk(const std::string& folder, const std::string& prefix, std::vector<Entry>& entries) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) return "cannot list " + folder + ": " + error.message();
    for (const std::string& name : names) {
        Entry entry{prefix + name, folder + "/" + name, {}};
        if (!platform::IsValidUtf8(name)) return folder + "/" + name + ": the name is not UTF-8";
        if (lstat(entry.path.c_str(), &entry.facts) != 0) return Failed("cannot read", entry.path, errno);
        const mode_t kind = entry.facts.st_mode & S_IFMT;
        if (kind != S_IFREG && kind != S_IFDIR && kind != S_IFLNK) {
            return entry.path + " is neither a file, a folder nor a link";
        }
        entries.push_back(entry);
        if (kind == S_IFDIR) {
            if (std::string failed = Walk(entry.path, entry.name + "/", entries); !failed.empty()) return failed;
        }
    }
    return {};
}

std::string ListPack(const std::string& packFolder, std::vector<Entry>& entries) {
    const std::string top = fs::path(packFolder).filename().string();
    std::string prefix;
    if (top.size() > 5 && top.ends_with(".pack")) {
        Entry root{top, packFolder, {}};
        if (stat(packFolder.c_str(), &root.facts) != 0) return Failed("cannot read", packFolder, errno);
        entries.push_back(root);
        prefix = top + "/";
    }
    if (std::string failed = Walk(packFolder, prefix, entries); !failed.empty()) return failed;
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return {};
}

using Writer = std::unique_ptr<archive, decltype(&archive_write_free)>;

std::string ArchiveFailure(archive* writer, const std::string& what) {
    const char* reason = archive_error_string(writer);
    return what + ": " + (reason ? reason : "the archive library failed");
}

Writer OpenWriter(ArchiveFormat format, int fd, std::string& error) {
    Writer writer(archive_write_new(), archive_write_free);
    if (!writer) {
        error = "the archive library cannot start";
        return writer;
    }
    archive* a = writer.get();
    int status = ARCHIVE_OK;
    if (format == ArchiveFormat::TarXz) {
        // pax headers only where ustar cannot hold a name, and named without a process id.
        status = archive_write_set_format_pax_restricted(a);
        if (status == ARCHIVE_OK) status = archive_write_add_filter_xz(a);
        if (status == ARCHIVE_OK) status = archive_write_set_filter_option(a, "xz", "threads", "1");
    } else {
        status = archive_write_set_format_zip(a);
        if (status == ARCHIVE_OK) status = archive_write_set_format_option(a, "zip", "hdrcharset", "UTF-8");
    }
    // Whole blocks of the default size: the bytes depend on nothing but the entries.
    if (status == ARCHIVE_OK) status = archive_write_set_bytes_in_last_block(a, 1);
    if (status == ARCHIVE_OK) status = archive_write_open_fd(a, fd);
    if (status != ARCHIVE_OK) {
        error = ArchiveFailure(a, "cannot start the archive");
        writer.reset();
    }
    return writer;
}

std::string WriteData(archive* writer, const Entry& entry) {
    const int fd = open(entry.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Failed("cannot read", entry.path, errno);
    char buffer[64 * 1024];
    std::string failure;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failure = Failed("cannot read", entry.path, errno);
        if (got <= 0) break;
        total += static_cast<std::uint64_t>(got);
        if (archive_write_data(writer, buffer, static_cast<std::size_t>(got)) != got) {
            failure = ArchiveFailure(writer, "cannot write " + entry.name);
            break;
        }
    }
    close(fd);
    if (failure.empty() && total != static_cast<std::uint64_t>(entry.facts.st_size)) {
        failure = entry.path + " changed while it was archived";
    }
    return failure;
}

std::string LinkTarget(const Entry& entry, std::string& target) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink(entry.path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return Failed("cannot read the link", entry.path, errno);
    if (static_cast<std::size_t>(length) >= buffer.size()) return Failed("cannot read the link", entry.path, ENAMETOOLONG);
    target.assign(buffer.data(), static_cast<std::size_t>(length));
    return {};
}

std::string WriteEntry(archive* writer, const Entry& entry, std::int64_t time) {
    using EntryPtr = std::unique_ptr<archive_entry, decltype(&archive_entry_free)>;
    EntryPtr header(archive_entry_new(), archive_entry_free);
    if (!header) return "the archive library cannot make an entry";
    archive_entry* e = header.get();
    const mode_t kind = entry.facts.st_mode & S_IFMT;
    archive_entry_set_pathname_utf8(e, entry.name.c_str());
    archive_entry_set_filetype(e, kind);
    archive_entry_set_perm(e, kind == S_IFLNK ? 0777 : entry.facts.st_mode & 07777);
    archive_entry_set_uid(e, 0);
    archive_entry_set_gid(e, 0);
    archive_entry_set_uname(e, "root");
    archive_entry_set_gname(e, "root");
    archive_entry_set_mtime(e, static_cast<time_t>(time), 0);
    archive_entry_set_size(e, kind == S_IFREG ? entry.facts.st_size : 0);
    if (kind == S_IFLNK) {
        std::string target;
        if (std::string failed = LinkTarget(entry, target); !failed.empty()) return failed;
        if (!platform::IsValidUtf8(target)) return entry.path + ": the link's target is not UTF-8";
        archive_entry_set_symlink_utf8(e, target.c_str());
    }
    if (archive_write_header(writer, e) != ARCHIVE_OK) {
        return ArchiveFailure(writer, "cannot write " + entry.name);
    }
    return kind == S_IFREG ? WriteData(writer, entry) : std::string();
}

// The zip format keeps local date and time fields beside its UTC ones; they are written as
// UTC for the whole run, so the bytes do not depend on the maker's time zone.
class UtcForZip {
  public:
    explicit UtcForZip(bool zip) : active_(zip) {
        if (!active_) return;
        if (const char* tz = getenv("TZ")) saved_ = tz;
        hadTz_ = getenv("TZ") != nullptr;
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    ~UtcForZip() {
        if (!active_) return;
        if (hadTz_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    UtcForZip(const UtcForZip&) = delete;
    UtcForZip& operator=(const UtcForZip&) = delete;

  private:
    bool active_;
    bool hadTz_ = false;
    std::string saved_;
};

// The archive's temporary file beside the output, removed unless it was put in place.
struct PendingFile {
    std::string path;
    int fd = -1;
    ~PendingFile() {
        if (fd >= 0) close(fd);
        if (!path.empty()) unlink(path.c_str());
    }
};

std::string WriteAll(archive* writer, const std::vector<Entry>& entries, std::int64_t time) {
    for (const Entry& entry : entries) {
        if (std::string failed = WriteEntry(writer, entry, time); !failed.empty()) return failed;
    }
    if (archive_write_close(writer) != ARCHIVE_OK) return ArchiveFailure(writer, "cannot finish the archive");
    return {};
}

}  // namespace

std::optional<std::int64_t> EntryTimeFrom(const char* sourceDateEpoch) {
    if (!sourceDateEpoch || !*sourceDateEpoch) return std::nullopt;
    const std::string_view text(sourceDateEpoch);
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 0) return std::nullopt;
    return seconds;
}

ArchiveResult WriteReproducibleArchive(const ArchiveRequest& request) {
    ArchiveResult result;
    std::vector<Entry> entries;
    if (result.error = ListPack(request.packFolder, entries); !result.error.empty()) return result;
    const bool zip = request.format == ArchiveFormat::Zip;
    // A zip's date fields begin in 1980; earlier times would wrap around.
    const std::int64_t time = zip ? std::max(request.entryTime, kDefaultEntryTime) : request.entryTime;
    PendingFile pending{request.output + ".XXXXXX"};
    pending.fd = mkstemp(pending.path.data());
    if (pending.fd < 0) {
        pending.path.clear();
        result.error = Failed("cannot write", request.output, errno);
        return result;
    }
    if (fchmod(pending.fd, 0666 & ~CurrentUmask()) != 0) {
        result.error = Failed("cannot write", request.output, errno);
        return result;
    }
    {
        UtcForZip utc(zip);
        const installer::ArchiveNameLocale utf8Names;
        Writer writer = OpenWriter(request.format, pending.fd, result.error);
        if (!writer) return result;
        if (result.error = WriteAll(writer.get(), entries, time); !result.error.empty()) return result;
    }
    if (fsync(pending.fd) != 0 || close(pending.fd) != 0) {
        pending.fd = -1;
        result.error = Failed("cannot write", request.output, errno);
        return result;
    }
    pending.fd = -1;
    if (rename(pending.path.c_str(), request.output.c_str()) != 0) {
        result.error = Failed("cannot write", request.output, errno);
        return result;
    }
    pending.path.clear();
    result.entries = entries.size();
    return result;
}

}  // namespace packtool
