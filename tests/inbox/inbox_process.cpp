#include "inbox_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef PACKGATE_INBOX
#error "PACKGATE_INBOX must name the packgate-inbox program"
#endif

namespace inbox_test {
namespace {

pid_t Spawn(const std::vector<std::string>& arguments, int output, int error) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    dup2(output, 1);
    if (error >= 0) dup2(error, 2);
    const int nothing = ::open("/dev/null", O_RDONLY);
    dup2(nothing, 0);
    std::vector<char*> argv{const_cast<char*>(PACKGATE_INBOX)};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(PACKGATE_INBOX, argv.data());
    _exit(127);
}

int WaitFor(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// One line from `fd` within `timeoutMs`.
std::optional<std::string> ReadLine(int fd, int timeoutMs) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got == 1) {
            if (c == '\n') return line;
            line += c;
        } else if (got == 0) {
            return std::nullopt;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return std::nullopt;
}

}  // namespace

CommandResult RunInbox(const std::vector<std::string>& arguments) {
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) return {};
    const pid_t pid = Spawn(arguments, pipe[1], -1);
    close(pipe[1]);
    CommandResult result;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(pipe[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipe[0]);
    result.status = WaitFor(pid);
    return result;
}

std::unique_ptr<InboxServer> InboxServer::Start(const std::string& folder,
                                                const std::string& database,
                                                const std::vector<std::string>& extra,
                                                const std::string& listen) {
    std::unique_ptr<InboxServer> server(new InboxServer);
    server->certificate_ = folder + "/cert.pem";
    server->errorFile_ = folder + "/inbox-" + std::to_string(getpid()) + "-" +
                         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                         ".log";
    std::vector<std::string> arguments{"serve", "--self-signed", "--cert", server->certificate_,
                                       "--listen", listen, "--database", database};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    const int error = ::open(server->errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    server->pid_ = Spawn(arguments, pipe[1], error);
    close(pipe[1]);
    close(error);
    const auto listening = ReadLine(pipe[0], 20000);
    const auto page = listening ? ReadLine(pipe[0], 5000) : std::nullopt;
    close(pipe[0]);
    if (!listening || !page) return nullptr;
    const auto colon = listening->rfind(':');
    server->port_ = std::stoi(listening->substr(colon + 1));
    const auto token = page->find("token=");
    if (token != std::string::npos) server->token_ = page->substr(token + 6);
    return server;
}

InboxServer::~InboxServer() {
    if (pid_ > 0) Stop();
}

int InboxServer::Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    const int status = WaitFor(pid_);
    pid_ = -1;
    return status;
}

void InboxServer::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    WaitFor(pid_);
    pid_ = -1;
}

std::vector<std::string> InboxServer::LogLines() const {
    std::ifstream in(errorFile_);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace inbox_test
