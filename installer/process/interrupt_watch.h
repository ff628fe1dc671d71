// Ctrl-C and SIGTERM end a run cleanly: the terminal is restored, the install log gets one
// line ("Interrupted by SIGINT") and the program exits with 128 + the signal's number (130,
// 143). The signals are blocked in every thread and taken by a thread of their own, so no
// code runs inside a signal handler.
#pragma once

namespace installer {

// Starts watching; call before any other thread starts (threads inherit the blocked signals).
// Until a screen takes them over, a signal logs its line and ends the program at once.
void WatchInterrupts();
// While a full screen is up, the screen's thread ends the run itself (it must restore the
// terminal first): the watch only records the signal.
void DeferInterrupts(bool defer);
// The signal that arrived while deferred, or 0.
int PendingInterrupt();
// Logs the line (and says it on standard error when `tell`) and exits with 128 + `signal`,
// without running destructors (the pane may be in the middle of a callback on another thread).
[[noreturn]] void EndInterrupted(int signal, bool tell = true);
// "SIGINT", "SIGTERM".
const char* InterruptName(int signal);

}  // namespace installer
