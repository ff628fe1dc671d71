#include "installer/present/log_texts.h"

namespace installer {

std::string MessageThenTime(const LogEntry& entry) {
    // Milliseconds matter in the terminal's time column, not in a line read as a whole.
    return entry.message + "  (" + entry.time.substr(0, 8) + ")";
}

}  // namespace installer
