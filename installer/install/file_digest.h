// SHA-256 digests of installed files, as lower-case hex, through OpenSSL's EVP interface.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace installer {

// A digest computed piece by piece, as a file is copied.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const void* bytes, std::size_t count);
    // The digest of everything added; the object is done with afterwards.
    std::string hex();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest and size of the file `name` in the open folder `folder`, not following a link;
// nothing when it cannot be read (errno set).
struct FileDigest {
    std::string sha256;
    unsigned long long size = 0;
};
// A big file just written past the page cache is best read past it too (`pastCache`): read
// through it, its pages would all be filled for nothing. Where the file system refuses, it is
// read through the cache.
std::optional<FileDigest> DigestOfFileAt(int folder, const std::string& name, bool pastCache = false);
// The same for the open file `fd`, read from where it stands to its end.
std::optional<FileDigest> DigestOfOpenFile(int fd);

}  // namespace installer
