// A receipt's list of files kept on disk while an install stages them, so that a pack of any
// number of files writes its receipt with little memory. Each entry is kept as the very text
// the receipt holds for it (escaped, indented), in the order added; a digest not known yet
// (a file copied in the kernel, read back later) is left blank and filled in place. The
// receipt written from a spool has the same bytes WriteReceipt gives for the same files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "installer/install/receipt.h"

namespace installer {

class ReceiptSpool {
  public:
    ReceiptSpool() = default;
    ~ReceiptSpool();
    ReceiptSpool(const ReceiptSpool&) = delete;
    ReceiptSpool& operator=(const ReceiptSpool&) = delete;

    // Opens the spool as an unnamed file in the open folder `folder`. False (errno set) on
    // failure.
    bool open(int folder);
    // Adds `file` (its digest left blank when `digestPending`): where its digest goes, for
    // setDigest, or nothing (errno set) when it cannot be written (EILSEQ: the path cannot be
    // written as XML).
    std::optional<std::uint64_t> add(const ReceiptFile& file, bool digestPending = false);
    // Fills in the digest of an entry added with its digest pending.
    bool setDigest(std::uint64_t at, const std::string& sha256);

    std::size_t count() const { return count_; }
    std::uint64_t fileBytes() const { return fileBytes_; }  // The files' sizes added up.
    // Writes out the entries still held back; the spool's file then holds every entry.
    bool flush();
    int fd() const { return fd_; }

  private:
    bool append(const std::string& text);

    int fd_ = -1;
    std::size_t count_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::uint64_t written_ = 0;  // Bytes of text in the file.
    std::string pending_;  // Text not written yet, so entries go out in large writes.
};

// Writes `receipt` with the files of `spool` (not receipt.files) to `path` as WriteReceipt
// does (atomically, the folders above made). The reason of a failure, or the empty text.
std::string WriteReceiptFrom(const Receipt& receipt, ReceiptSpool& spool, const std::string& path);

// Copies the receipt file `from` to `path` as WriteReceipt writes (atomically, the folders
// above made), holding only a buffer. The reason of a failure, or the empty text.
std::string CopyReceiptFile(const std::string& from, const std::string& path);

}  // namespace installer
