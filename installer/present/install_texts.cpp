#include "installer/present/install_texts.h"

#include <algorithm>

#include "installer/install/size_text.h"
#include "installer/words/words.h"

namespace installer {

std::string InstallSentence(const InstallReport& report, const Words& words) {
    if (!report.installed) {
        return words.text("install.failed", {{"pack", report.packTitle}, {"error", report.error}});
    }
    return words.text("install.done", {{"pack", report.packTitle},
                                       {"version", report.packVersion},
                                       {"host", report.hostTitle},
                                       {"files", std::to_string(report.files)},
                                       {"size", SizeText(report.bytes)},
                                       {"folder", report.destination}});
}

std::vector<std::string> InstallAfterwords(const InstallReport& report, const Words& words) {
    std::vector<std::string> lines;
    if (!report.installed) lines.push_back(words.text("install.nothing_left"));
    for (const std::string& kept : report.keptFiles) {
        lines.push_back(words.text("install.kept", {{"path", kept}}));
    }
    if (report.installed) lines.push_back(words.text("install.receipt", {{"path", report.receiptPath}}));
    return lines;
}

std::string InstallProgressText(const InstallProgress& progress, const Words& words) {
    return words.text("install.progress", {{"files", std::to_string(progress.filesDone)},
                                           {"total", std::to_string(progress.filesTotal)},
                                           {"bytes", SizeText(progress.bytesDone)},
                                           {"total_bytes", SizeText(progress.bytesTotal)}});
}

int InstallProgressTenths(const InstallProgress& progress) {
    if (progress.bytesTotal == 0) {
        if (progress.filesTotal == 0) return 10;
        return static_cast<int>(progress.filesDone * 10 / progress.filesTotal);
    }
    const std::uint64_t done = std::min(progress.bytesDone, progress.bytesTotal);
    return static_cast<int>(done * 10 / progress.bytesTotal);
}

}  // namespace installer
