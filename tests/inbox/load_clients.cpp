#include "load_clients.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

namespace inbox_test {

LoadClients::LoadClients(const std::string& program, const std::string& url,
                         const std::string& caFile, int clients, int each,
                         const std::string& prefix, bool refused) {
    for (int n = 0; n < clients; ++n) {
        int pipe[2];
        if (pipe2(pipe, O_CLOEXEC) != 0) return;
        const std::string guids = prefix + "c" + std::to_string(n);
        const std::string count = std::to_string(each);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(pipe[1], 1);
            execl(program.c_str(), program.c_str(), url.c_str(), caFile.c_str(), count.c_str(),
                  guids.c_str(), refused ? "refused" : static_cast<char*>(nullptr),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipe[1]);
        pids_.push_back(pid);
        outputs_.push_back(pipe[0]);
        pending_.emplace_back();
    }
}

LoadClients::~LoadClients() {
    Finish();
}

void LoadClients::TakeLine(const std::string& line) {
    std::istringstream words(line);
    std::string kind, guid;
    long long micros = 0;
    words >> kind >> guid >> micros;
    if (kind == "ack") {
        outcome_.acknowledged.push_back(guid);
        outcome_.micros.push_back(micros);
    } else {
        ++outcome_.failed;
    }
}

bool LoadClients::ReadSome(int timeoutMs) {
    std::vector<pollfd> waits;
    bool anyOpen = false;
    for (const int fd : outputs_) {
        waits.push_back({fd, POLLIN, 0});
        anyOpen = anyOpen || fd >= 0;
    }
    if (!anyOpen) return false;
    if (poll(waits.data(), waits.size(), timeoutMs) <= 0) return false;
    bool open = false;
    for (std::size_t i = 0; i < waits.size(); ++i) {
        if (outputs_[i] < 0) continue;
        if (waits[i].revents == 0) {
            open = true;
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(outputs_[i], buffer, sizeof buffer);
        if (got <= 0) {
            close(outputs_[i]);
            outputs_[i] = -1;
            continue;
        }
        open = true;
        pending_[i].append(buffer, static_cast<std::size_t>(got));
        std::size_t end = 0;
        while ((end = pending_[i].find('\n')) != std::string::npos) {
            TakeLine(pending_[i].substr(0, end));
            pending_[i].erase(0, end + 1);
        }
    }
    // Closed outputs are kept as -1, which poll skips.
    return open;
}

void LoadClients::WaitForAcks(std::size_t acks) {
    while (outcome_.acknowledged.size() < acks && ReadSome(30000)) {
    }
}

LoadOutcome LoadClients::Finish() {
    while (ReadSome(30000)) {
    }
    for (const pid_t pid : pids_) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
    pids_.clear();
    return outcome_;
}

}  // namespace inbox_test
