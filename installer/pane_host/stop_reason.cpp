#include "installer/pane_host/stop_reason.h"

#include <cstring>

#include "installer/words/words.h"

namespace installer::pane_host {

namespace {

std::string Why(const Words& words, StopCause cause, int number, const std::string& detail) {
    const std::string count = std::to_string(number);
    switch (cause) {
        case StopCause::Signal: {
            const char* name = strsignal(number);
            return words.text("pane_host.why.signal",
                              {{"signal", count}, {"name", name != nullptr ? name : "?"}});
        }
        case StopCause::Exit:
            return words.text("pane_host.why.exit", {{"status", count}});
        case StopCause::Time:
            return words.text("pane_host.why.time", {{"seconds", detail}});
        case StopCause::Garbage:
            return words.text("pane_host.why.garbage");
        case StopCause::Start:
            return words.text("pane_host.why.start", {{"reason", detail}});
    }
    return words.text("pane_host.why.garbage");
}

}  // namespace

std::string StopText(StopCause cause, int number, const std::string& detail) {
    const Words& words = Words::ForUser();
    return words.text("pane_host.stopped", {{"why", Why(words, cause, number, detail)}});
}

std::string SecondsText(long milliseconds) {
    if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000);
    const std::string tenths = std::to_string(milliseconds / 100);
    return (tenths.size() > 1 ? tenths.substr(0, tenths.size() - 1) : "0") + "." + tenths.back();
}

}  // namespace installer::pane_host
