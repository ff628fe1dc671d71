// Open folders that are reached without following links: every level of a path is opened
// from "/" with O_NOFOLLOW|O_DIRECTORY, and all later work names entries relative to the
// folder's descriptor, so a link planted in the path at any time is never followed. Every
// call goes through the platform's system-call seam (system/posix_calls.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// An open folder descriptor, closed with the object.
class FolderHandle {
  public:
    FolderHandle() = default;
    explicit FolderHandle(int fd) : fd_(fd) {}
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept : fd_(other.release()) {}
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

  private:
    int fd_ = -1;
};

// The names of a relative path ("a/b/c" gives a, b, c); empty when the path is empty or
// absolute or holds "", "." or ".." as a name.
std::vector<std::string> PathNames(std::string_view relative);

// Opens the folder at the absolute `path` one level at a time from "/". Invalid with errno
// set on failure (ELOOP or ENOTDIR when a level is a link or no folder).
FolderHandle OpenFolderNoFollow(const std::string& path);

// Opens the folder `names` below `base`, creating missing levels with `mode` when `create`;
// `created` (if given) receives how many levels were created, from the top one on.
FolderHandle OpenBelow(int base, const std::vector<std::string>& names, bool create,
                       unsigned mode = 0755, std::size_t* created = nullptr);

// Flushes the folder `fd` (its entries) to disk; -1 and errno on failure.
int FlushFolder(int fd);

// Flushes everything written to the file system that holds `fd` in one call (syncfs): far
// cheaper than a flush per file when thousands were written. -1 and errno on failure.
int FlushFileSystem(int fd);

// How many entries (other than "." and "..") the open folder `folder` holds; nothing (errno
// set) when it cannot be read. `folder` stays open and unmoved.
std::optional<std::size_t> EntriesIn(int folder);

// Removes the entry `name` of the folder `folder` with everything below it, following no
// link. False (errno set) when something could not be removed; a missing entry is no failure.
bool RemoveTreeAt(int folder, const std::string& name);

}  // namespace installer
