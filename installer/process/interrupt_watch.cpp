#include "installer/process/interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "foundation/system_log.h"
#include "installer/words/words.h"

namespace installer {
namespace {

std::atomic<bool> g_deferred{false};
std::atomic<int> g_pending{0};

sigset_t InterruptSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void Watch(sigset_t signals) {
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) continue;
        if (!g_deferred.load()) EndInterrupted(signal);
        g_pending.store(signal);
    }
}

}  // namespace

const char* InterruptName(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

void WatchInterrupts() {
    static std::atomic<bool> started{false};
    if (started.exchange(true)) return;
    const sigset_t signals = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(Watch, signals).detach();
}

void DeferInterrupts(bool defer) {
    g_deferred.store(defer);
    // A signal recorded while deferred must not be lost when the screen goes.
    if (!defer && g_pending.load() != 0) EndInterrupted(g_pending.load());
}

int PendingInterrupt() {
    return g_pending.load();
}

void EndInterrupted(int signal, bool tell) {
    foundation::NSLog("Interrupted by %@", std::string(InterruptName(signal)));
    if (tell) {
        std::fputs(Words::ForUser()
                   .text("outcome.interrupted", {{"signal", InterruptName(signal)}})
                   .append("\n")
                   .c_str(),
               stderr);
    }
    std::fflush(nullptr);
    std::_Exit(128 + signal);
}

}  // namespace installer
