#include "postgres_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <libpq-fe.h>
#include <memory>
#include <thread>
#include <vector>

namespace inbox_test {
namespace {

constexpr const char* kBinaries = "/usr/lib/postgresql/15/bin";
constexpr const char* kUnprivilegedUser = "nobody";

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// Runs `argv` as `user` (or as ourselves when not root) in the folder of `log`, where its
// output goes (the test's own folder may be closed to that user, and initdb refuses to start
// in a folder it cannot read).
pid_t Spawn(const std::vector<std::string>& argv, const passwd* user, const std::string& log) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(log.substr(0, log.rfind('/')).c_str()) != 0) _exit(125);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    if (user != nullptr && (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)) _exit(126);
    // A test program that dies leaves no server behind (set after setuid, which clears it).
    prctl(PR_SET_PDEATHSIG, SIGINT);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

int WaitFor(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool Ready(const std::string& uri) {
    PGconn* connection = PQconnectdb(uri.c_str());
    const bool ok = PQstatus(connection) == CONNECTION_OK;
    PQfinish(connection);
    return ok;
}

class Server {
  public:
    ~Server() {
        if (pid_ > 0) {
            kill(pid_, SIGINT);  // fast shutdown
            WaitFor(pid_);
        }
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    bool Start(std::string* why) {
        const std::string initdb = std::string(kBinaries) + "/initdb";
        if (access(initdb.c_str(), X_OK) != 0) {
            *why = "PostgreSQL 15 is not installed (no " + initdb + ")";
            return false;
        }
        const passwd* user = geteuid() == 0 ? getpwnam(kUnprivilegedUser) : nullptr;
        if (geteuid() == 0 && user == nullptr) {
            *why = std::string("no user ") + kUnprivilegedUser + " to run PostgreSQL as";
            return false;
        }
        char pattern[] = "/tmp/packgate-inbox-pg-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return *why = "no scratch folder", false;
        folder_ = pattern;
        if (user != nullptr && chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            return *why = "cannot give the scratch folder away", false;
        }
        const std::string data = folder_ + "/data";
        const std::string log = folder_ + "/server.log";
        const int made = WaitFor(Spawn({initdb, "-D", data, "-U", "inbox", "-A", "trust",
                                        "--no-sync", "-E", "UTF8", "--no-locale"},
                                       user, log));
        if (made != 0) return *why = "initdb failed; see " + log, false;
        port_ = FreeLoopbackPort();
        pid_ = Spawn({std::string(kBinaries) + "/postgres", "-D", data, "-k", folder_, "-h",
                      "127.0.0.1", "-p", std::to_string(port_), "-c", "fsync=off", "-c",
                      "max_connections=60"},
                     user, log);
        for (int tries = 0; tries < 300; ++tries) {
            if (Ready(Uri("postgres"))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        *why = "postgres did not start; see " + log;
        return false;
    }

    std::string Uri(const std::string& database) const {
        return "postgresql://inbox@127.0.0.1:" + std::to_string(port_) + "/" + database;
    }

  private:
    std::string folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

Server* TheServer(std::string* why) {
    static std::string failure;
    static std::unique_ptr<Server> server = [] {
        auto started = std::make_unique<Server>();
        if (!started->Start(&failure)) started.reset();
        return started;
    }();
    if (!server) *why = failure;
    return server.get();
}

}  // namespace

std::optional<std::string> PostgresUri(std::string* why) {
    const Server* server = TheServer(why);
    if (server == nullptr) return std::nullopt;
    return server->Uri("postgres");
}

std::optional<std::string> NewPostgresDatabase(const std::string& name, std::string* why) {
    const auto admin = PostgresUri(why);
    if (!admin) return std::nullopt;
    PGconn* connection = PQconnectdb(admin->c_str());
    PQclear(PQexec(connection, "SET client_min_messages TO warning"));
    const std::string drop = "DROP DATABASE IF EXISTS \"" + name + "\"";
    const std::string create = "CREATE DATABASE \"" + name + "\"";
    PQclear(PQexec(connection, drop.c_str()));
    PGresult* result = PQexec(connection, create.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok) *why = PQerrorMessage(connection);
    PQclear(result);
    PQfinish(connection);
    if (!ok) return std::nullopt;
    return TheServer(why)->Uri(name);
}

}  // namespace inbox_test
