// Why the pack's pane stopped, in the user's words.
#pragma once

#include <string>

namespace installer::pane_host {

enum class StopCause {
    Signal,   // number: the signal that ended the helper
    Exit,     // number: its exit status
    Time,     // detail: the time limit in seconds (SecondsText)
    Garbage,  // it sent what is no message, too much, or out of turn
    Start,    // detail: why it could not be started
};

// "The pack's pane stopped: <why>. Nothing was installed." in the user's language.
std::string StopText(StopCause cause, int number = 0, const std::string& detail = {});
// A time limit in seconds, with one decimal when it is not whole ("60", "0.3").
std::string SecondsText(long milliseconds);

}  // namespace installer::pane_host
