// The helper process that runs the pack's pane, seen from the installer: started with a
// small environment, no descriptor but its socket and, when the installer is root, another
// user's identity; read with a deadline; killed and reaped whatever it does.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/pane_host/pane_identity.h"

namespace installer::pane_host {

struct HelperLaunch {
    std::string helperPath;   // The packgate-pane-host program.
    std::string bundlePath;
    std::string machineRoot;
    std::string homeFolder;   // The home the pane examines and writes the handoff list into.
    std::optional<PaneIdentity> identity;  // Nothing keeps the installer's own.
    // The demo machine's local inbox, where the pane's reports go: its port (0: none, the
    // maker's address as always) and its certificate as PEM text.
    int demoInboxPort = 0;
    std::string demoInboxCertificate{};
};

// How a helper ended, once reaped.
struct HelperEnd {
    bool signaled = false;
    int number = 0;  // The signal, or the exit status.
};

class PaneProcess {
  public:
    ~PaneProcess();
    PaneProcess(const PaneProcess&) = delete;
    PaneProcess& operator=(const PaneProcess&) = delete;

    // Starts the helper; null with `error` set when it cannot be started.
    static std::unique_ptr<PaneProcess> Start(const HelperLaunch& launch, std::string& error);

    // Sends one frame whole; no when the helper is gone.
    bool send(const std::string& frame);
    // Reads what has arrived, waiting until `deadline` for at least a byte. Answers the bytes
    // (empty at the end of the stream), or nothing when the deadline passed.
    std::optional<std::string> receive(std::chrono::steady_clock::time_point deadline);
    // Kills the helper (when still there) and reaps it.
    HelperEnd kill();
    // Waits until `deadline` for the helper to end by itself, then kills it.
    HelperEnd reap(std::chrono::steady_clock::time_point deadline);

  private:
    PaneProcess(pid_t pid, int socket) : pid_(pid), socket_(socket) {}
    std::optional<HelperEnd> poll();

    pid_t pid_;
    int socket_;
    std::optional<HelperEnd> end_;
};

// The language and time-zone variables of the installer's environment, and HOME, as
// "NAME=value" entries: all of its environment the pane gets.
std::vector<std::string> PaneEnvironment(const std::string& home);

}  // namespace installer::pane_host
