#include "installer/pane_host/pane_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

extern char** environ;

namespace installer::pane_host {
namespace {

// The helper's end of the socket, where it expects it.
constexpr int kHelperSocket = 3;

bool IsLanguageVariable(std::string_view entry) {
    return entry.starts_with("LANG=") || entry.starts_with("LANGUAGE=") ||
           entry.starts_with("LC_") || entry.starts_with("TZ=");
}

// Everything the forked child needs, prepared before fork: after it only calls that are safe
// in a child of a threaded process are made.
struct ChildPlan {
    std::vector<std::string> argumentTexts;
    std::vector<std::string> environmentTexts;
    std::vector<char*> arguments;
    std::vector<char*> environment;
    std::optional<PaneIdentity> identity;
    int socket = -1;
    int devNull = -1;
    pid_t parent = 0;

    void seal() {
        for (std::string& text : argumentTexts) arguments.push_back(text.data());
        arguments.push_back(nullptr);
        for (std::string& text : environmentTexts) environment.push_back(text.data());
        environment.push_back(nullptr);
    }
};

[[noreturn]] void Fail(int step) {
    _exit(120 + step);
}

// In the child: takes the user's identity for good, and proves root cannot be regained.
void DropIdentity(const PaneIdentity& identity) {
    if (setgroups(identity.groups.size(), identity.groups.data()) != 0) Fail(1);
    if (setresgid(identity.gid, identity.gid, identity.gid) != 0) Fail(2);
    if (setresuid(identity.uid, identity.uid, identity.uid) != 0) Fail(3);
    if (identity.uid != 0 && (setuid(0) == 0 || seteuid(0) == 0)) Fail(4);
}

[[noreturn]] void RunChild(const ChildPlan& plan) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGWINCH, SIGCHLD}) {
        sigaction(signal, &standard, nullptr);
    }
    for (int fd = 0; fd < 3; ++fd) dup2(plan.devNull, fd);
    if (plan.socket == kHelperSocket) {
        fcntl(kHelperSocket, F_SETFD, 0);
    } else if (dup2(plan.socket, kHelperSocket) != kHelperSocket) {
        Fail(0);
    }
    // Its own process group: Ctrl-C at the terminal is the installer's to handle, not the pane's.
    setpgid(0, 0);
    if (plan.identity) DropIdentity(*plan.identity);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) Fail(5);
    // A helper never outlives its installer, however that ends (set after the identity
    // changed, which clears it).
    if (prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || getppid() != plan.parent) Fail(8);
    if (close_range(kHelperSocket + 1, ~0U, 0) != 0) Fail(6);
    execve(plan.arguments[0], plan.arguments.data(), plan.environment.data());
    Fail(7);
}

HelperEnd EndOf(int status) {
    if (WIFSIGNALED(status)) return {true, WTERMSIG(status)};
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : 0};
}

}  // namespace

std::vector<std::string> PaneEnvironment(const std::string& home) {
    std::vector<std::string> entries{"HOME=" + home};
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (IsLanguageVariable(*entry)) entries.emplace_back(*entry);
    }
    return entries;
}

std::unique_ptr<PaneProcess> PaneProcess::Start(const HelperLaunch& launch, std::string& error) {
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        error = std::string("no socket for the pane: ") + std::strerror(errno);
        return nullptr;
    }
    ChildPlan plan;
    plan.argumentTexts = {launch.helperPath, launch.bundlePath, launch.machineRoot,
                          launch.homeFolder};
    if (launch.demoInboxPort != 0) {
        plan.argumentTexts.push_back(std::to_string(launch.demoInboxPort));
        plan.argumentTexts.push_back(launch.demoInboxCertificate);
    }
    plan.environmentTexts =
        PaneEnvironment(launch.identity ? launch.identity->home : launch.homeFolder);
    plan.identity = launch.identity;
    plan.socket = sockets[1];
    plan.parent = getpid();
    plan.devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    plan.seal();
    const pid_t pid = plan.devNull < 0 ? -1 : fork();
    if (pid == 0) RunChild(plan);
    const int forkError = errno;
    close(sockets[1]);
    if (plan.devNull >= 0) close(plan.devNull);
    if (pid < 0) {
        close(sockets[0]);
        error = std::string("cannot start ") + launch.helperPath + ": " + std::strerror(forkError);
        return nullptr;
    }
    return std::unique_ptr<PaneProcess>(new PaneProcess(pid, sockets[0]));
}

PaneProcess::~PaneProcess() {
    // The helper ends by itself once its socket closes; one that does not is killed.
    close(socket_);
    reap(std::chrono::steady_clock::now() + std::chrono::milliseconds(200));
}

bool PaneProcess::send(const std::string& frame) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(socket_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> PaneProcess::receive(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd watch{socket_, POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left > 1000 ? 1000 : left));
        if (ready < 0 && errno != EINTR) return std::string();
        if (ready <= 0) continue;
        char buffer[65536];
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return std::string();
        return std::string(buffer, static_cast<std::size_t>(n));
    }
}

std::optional<HelperEnd> PaneProcess::poll() {
    if (end_) return end_;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) end_ = EndOf(status);
    if (done < 0 && errno == ECHILD) end_ = HelperEnd{};
    return end_;
}

HelperEnd PaneProcess::kill() {
    if (poll()) return *end_;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    end_ = EndOf(status);
    return *end_;
}

HelperEnd PaneProcess::reap(std::chrono::steady_clock::time_point deadline) {
    // The helper closed its end: it is ending, or means to hang on without a word.
    while (!poll() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return kill();
}

}  // namespace installer::pane_host
