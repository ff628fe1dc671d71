// What the install step tells while it copies a pack's payload, and what it did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace installer {

// How far the copy has come; sent as it goes, at least once per file.
struct InstallProgress {
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::string currentFile;  // Relative to the payload.
};

// The install step's outcome: installed, or the one failure that stopped it (nothing of
// the pack is left behind then).
struct InstallReport {
    bool installed = false;
    std::string packIdentifier;
    std::string packVersion;
    std::string packTitle;
    std::string hostTitle;    // The chosen copy's row title.
    std::string destination;  // The template folder.
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    std::string receiptPath;
    // An upgrade's files the new version no longer carries but that were changed since the
    // earlier install, so they were kept (relative to the destination).
    std::vector<std::string> keptFiles;
    std::string error;        // One line, with the path and the reason, when not installed.
};

}  // namespace installer
