#include "installer/install/receipt_spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/plist_value.h"
#include "foundation/plist_write.h"
#include "installer/install/folder_handle.h"
#include "system/file_write.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

constexpr std::size_t kWriteAt = 256u << 10;
constexpr std::size_t kDigestLength = 64;
constexpr mode_t kReceiptMode = 0644;  // As WriteReceipt leaves a receipt.
constexpr const char* kSpoolName = "receipt-files";
// Where the files' entries go in the text of a receipt that has none.
constexpr std::string_view kFilesKey = "\t<key>Files</key>\n";
constexpr std::string_view kNoFiles = "\t<array/>\n";
constexpr std::string_view kStringEnd = "</string>\n</plist>\n";

// `text` as the receipt writes it inside a <string> element, escaped by the property-list
// writer itself; nothing when XML cannot hold it.
std::optional<std::string> Escaped(const std::string& text) {
    const foundation::PlistValue value(text);
    if (!foundation::IsXmlWritable(value)) return std::nullopt;
    static const std::size_t lead =
        foundation::XmlPropertyListText(foundation::PlistValue(std::string())).size() - kStringEnd.size();
    const std::string whole = foundation::XmlPropertyListText(value);
    return whole.substr(lead, whole.size() - lead - kStringEnd.size());
}

bool WriteText(int fd, std::string_view text) {
    return platform::WriteAll(fd, std::span<const std::uint8_t>(
                                      reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Copies what `from` holds from `offset` to its end onto `to`.
bool CopyBytes(int from, int to, off_t offset) {
    std::vector<char> buffer(1u << 20);
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteText(to, std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return false;
        offset += got;
    }
}

// `path` written whole by `fill`, with the folders above it made: the reason of a failure, or
// the empty text.
std::string WriteAtomically(const std::string& path, const std::function<bool(int)>& fill) {
    if (std::string error = MakeFoldersAbove(path); !error.empty()) return error;
    if (!platform::WriteFileAtomically(path, kReceiptMode, fill)) return path + ": " + std::strerror(errno);
    return "";
}

}  // namespace

ReceiptSpool::~ReceiptSpool() {
    if (fd_ >= 0) platform::CloseOnce(fd_);
}

bool ReceiptSpool::open(int folder) {
    const auto& posix = platform::Posix();
    fd_ = platform::OpenAtRetrying(folder, kSpoolName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return false;
    // Nameless from here on: a run killed later leaves nothing of it behind.
    posix.unlinkat(folder, kSpoolName, 0);
    return true;
}

bool ReceiptSpool::append(const std::string& text) {
    pending_ += text;
    if (pending_.size() < kWriteAt) return true;
    return flush();
}

bool ReceiptSpool::flush() {
    if (pending_.empty()) return true;
    if (fd_ < 0 || !WriteText(fd_, pending_)) return false;
    written_ += pending_.size();
    pending_.clear();
    return true;
}

std::optional<std::uint64_t> ReceiptSpool::add(const ReceiptFile& file, bool digestPending) {
    const auto path = Escaped(file.path);
    const auto sha256 = digestPending ? std::optional<std::string>(std::string(kDigestLength, ' '))
                                      : Escaped(file.sha256);
    if (!path || !sha256) {
        errno = EILSEQ;
        return std::nullopt;
    }
    std::string text = "\t\t<dict>\n\t\t\t<key>Path</key>\n\t\t\t<string>" + *path +
                       "</string>\n\t\t\t<key>Size</key>\n\t\t\t<integer>" +
                       std::to_string(static_cast<std::int64_t>(file.size)) +
                       "</integer>\n\t\t\t<key>SHA256</key>\n\t\t\t<string>";
    const std::uint64_t digestAt = written_ + pending_.size() + text.size();
    text += *sha256 + "</string>\n\t\t</dict>\n";
    if (!append(text)) return std::nullopt;
    ++count_;
    fileBytes_ += file.size;
    return digestAt;
}

bool ReceiptSpool::setDigest(std::uint64_t at, const std::string& sha256) {
    if (sha256.size() != kDigestLength || sha256.find_first_not_of("0123456789abcdef") != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    if (at >= written_) {
        pending_.replace(at - written_, kDigestLength, sha256);
        return true;
    }
    const ssize_t put = ::pwrite(fd_, sha256.data(), kDigestLength, static_cast<off_t>(at));
    if (put == static_cast<ssize_t>(kDigestLength)) return true;
    if (put >= 0) errno = EIO;
    return false;
}

std::string WriteReceiptFrom(const Receipt& receipt, ReceiptSpool& spool, const std::string& path) {
    Receipt head = receipt;
    head.files.clear();
    const std::optional<std::string> text = ReceiptText(head);
    const std::size_t files = text ? text->find(std::string(kFilesKey) + std::string(kNoFiles)) : std::string::npos;
    if (files == std::string::npos) return path + ": " + std::strerror(EIO);
    if (!spool.flush()) return path + ": " + std::strerror(errno);
    const std::string_view whole(*text);
    const std::size_t rest = files + kFilesKey.size() + kNoFiles.size();
    return WriteAtomically(path, [&](int fd) {
        if (spool.count() == 0) return WriteText(fd, whole);
        return WriteText(fd, whole.substr(0, files + kFilesKey.size())) && WriteText(fd, "\t<array>\n") &&
               CopyBytes(spool.fd(), fd, 0) && WriteText(fd, "\t</array>\n") && WriteText(fd, whole.substr(rest));
    });
}

std::string CopyReceiptFile(const std::string& from, const std::string& path) {
    const FolderHandle source(platform::OpenRetrying(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.valid()) return from + ": " + std::strerror(errno);
    return WriteAtomically(path, [&](int fd) { return CopyBytes(source.fd(), fd, 0); });
}

}  // namespace installer
