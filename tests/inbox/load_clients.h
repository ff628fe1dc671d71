// Several inbox_load_client processes posting at once, and what they were told.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace inbox_test {

struct LoadOutcome {
    std::vector<std::string> acknowledged;  // GUIDs the inbox said it stored
    std::vector<std::int64_t> micros;       // the time of each acknowledged post
    std::size_t failed = 0;
};

class LoadClients {
  public:
    // Starts `clients` processes, each posting `each` reports to `url` trusting `caFile`,
    // with GUIDs "<prefix>c<n>-<i>".
    // With `refused`, the clients post bodies the inbox refuses (see load_client.cpp).
    LoadClients(const std::string& program, const std::string& url, const std::string& caFile,
                int clients, int each, const std::string& prefix, bool refused = false);
    ~LoadClients();
    LoadClients(const LoadClients&) = delete;
    LoadClients& operator=(const LoadClients&) = delete;

    // Reads lines until at least `acks` acknowledgements have come (or all clients ended).
    void WaitForAcks(std::size_t acks);
    // Reads to the end of every client and waits for them.
    LoadOutcome Finish();

  private:
    bool ReadSome(int timeoutMs);
    void TakeLine(const std::string& line);

    std::vector<pid_t> pids_;
    std::vector<int> outputs_;
    std::vector<std::string> pending_;
    LoadOutcome outcome_;
};

}  // namespace inbox_test
