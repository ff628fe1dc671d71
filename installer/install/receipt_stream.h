// Reading a receipt one file entry at a time, so that a receipt of any size (hundreds of
// thousands of files) takes little memory: the receipt's other fields are kept, each file
// entry is handed on as it is read and then forgotten. The receipt file is as hostile as any
// other file in the user's home: no network, no entities expanded, and anything that is not
// the receipt's form reads as nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "installer/install/receipt.h"

namespace installer {

// The receipt at `path` without its files (and without the install date, which no reader of
// a streamed receipt needs); `eachFile`, when set, is told every file entry in order, and
// `fileCount` (when given) receives their number. Nothing when the file is missing or not a
// receipt; `eachFile` may have been told some entries by then.
std::optional<Receipt> ReadReceiptStreaming(const std::string& path,
                                            const std::function<void(const ReceiptFile&)>& eachFile,
                                            std::size_t* fileCount = nullptr);

}  // namespace installer
