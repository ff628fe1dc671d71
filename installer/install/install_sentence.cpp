#include "installer/install/install_sentence.h"

#include "installer/install/size_text.h"

namespace installer {

std::string InstallSentence(const Words& words, const InstallReport& report) {
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

}  // namespace installer
