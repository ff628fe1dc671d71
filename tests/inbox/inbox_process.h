// packgate-inbox run by a test: `serve` with a throwaway certificate in a scratch folder on
// a free loopback port, its standard error kept in a file to read its log lines from; and the
// read commands run to completion with their output.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace inbox_test {

struct CommandResult {
    int status = -1;
    std::string output;  // standard output
};

// Runs `packgate-inbox ARGUMENTS...` and waits for it.
CommandResult RunInbox(const std::vector<std::string>& arguments);

class InboxServer {
  public:
    // Starts `serve --self-signed --cert FOLDER/cert.pem --listen LISTEN --database DATABASE`
    // and `extra`; null when it did not report its address.
    static std::unique_ptr<InboxServer> Start(const std::string& folder, const std::string& database,
                                              const std::vector<std::string>& extra = {},
                                              const std::string& listen = "127.0.0.1:0");
    // Stops it with SIGTERM (when still running) and waits.
    ~InboxServer();
    InboxServer(const InboxServer&) = delete;
    InboxServer& operator=(const InboxServer&) = delete;

    int port() const { return port_; }
    const std::string& token() const { return token_; }
    const std::string& certificate() const { return certificate_; }
    pid_t pid() const { return pid_; }
    // SIGTERM and wait: its exit status.
    int Stop();
    // SIGKILL and wait.
    void Kill();
    // Its standard error so far, one line each.
    std::vector<std::string> LogLines() const;

  private:
    InboxServer() = default;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string token_;
    std::string certificate_;
    std::string errorFile_;
};

}  // namespace inbox_test
