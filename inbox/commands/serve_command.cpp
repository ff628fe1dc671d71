// packgate-inbox serve: the HTTPS service until SIGTERM or SIGINT.
#include <openssl/rand.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/files.h"
#include "inbox/commands/command_line.h"
#include "inbox/commands/commands.h"
#include "inbox/http/self_signed.h"
#include "inbox/http/tls_server.h"
#include "inbox/service/inbox_service.h"

namespace inbox {
namespace {

constexpr const char* kDefaultListen = "127.0.0.1:8443";
constexpr std::uint32_t kDefaultReportsPerMinute = 120;
constexpr std::size_t kMaxPemBytes = 1 << 20;
constexpr std::size_t kMinTokenLength = 16;

const KnownOptions kServeOptions{
    {"database", "listen", "cert", "key", "name", "rate", "token-file", "workers"},
    {"self-signed"},
    {"name"}};

std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) {
    const auto bytes = foundation::ContentsAtPath(path, maxBytes);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

std::string Fail(const std::string& message) {
    std::fprintf(stderr, "packgate-inbox: %s\n", message.c_str());
    return {};
}

// The certificate and key: read from their files, or a throwaway pair whose certificate is
// written to --cert when one is named, for clients to trust.
std::optional<PemPair> LoadPair(const ParsedOptions& options) {
    const std::string certPath = options.Value("cert");
    if (options.Has("self-signed")) {
        std::vector<std::string> names{"localhost", "127.0.0.1", "::1"};
        if (options.values.count("name") != 0) {
            const auto& extra = options.values.at("name");
            names.insert(names.begin(), extra.begin(), extra.end());
        }
        auto pair = MakeSelfSignedPair(names);
        if (!pair) return Fail("cannot make a certificate"), std::nullopt;
        if (!certPath.empty()) {
            std::ofstream out(certPath, std::ios::binary | std::ios::trunc);
            out << pair->certificate;
            if (!out.flush()) return Fail("cannot write " + certPath), std::nullopt;
        }
        return pair;
    }
    const std::string keyPath = options.Value("key");
    if (certPath.empty() || keyPath.empty()) {
        Fail("serve needs --cert FILE and --key FILE, or --self-signed");
        return std::nullopt;
    }
    auto certificate = ReadText(certPath, kMaxPemBytes);
    auto key = ReadText(keyPath, kMaxPemBytes);
    if (!certificate) return Fail("cannot read the certificate " + certPath), std::nullopt;
    if (!key) return Fail("cannot read the key " + keyPath), std::nullopt;
    return PemPair{std::move(*certificate), std::move(*key)};
}

std::optional<std::string> LoadToken(const ParsedOptions& options) {
    const std::string path = options.Value("token-file");
    if (path.empty()) {
        unsigned char random[18];
        if (RAND_bytes(random, sizeof random) != 1) return std::nullopt;
        std::string token;
        for (const unsigned char byte : random) {
            static constexpr char kDigits[] = "0123456789abcdef";
            token += kDigits[byte >> 4];
            token += kDigits[byte & 15];
        }
        return token;
    }
    auto text = ReadText(path, 4096);
    if (!text) return Fail("cannot read the token file " + path), std::nullopt;
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r' || text->back() == ' ')) {
        text->pop_back();
    }
    if (text->size() < kMinTokenLength || text->find_first_of(" \t\r\n") != std::string::npos) {
        Fail("the token in " + path + " must be one word of at least 16 characters");
        return std::nullopt;
    }
    return text;
}

struct ServeSettings {
    ServiceSettings service;
    ServerLimits limits;
    std::string listen;
};

std::optional<ServeSettings> ReadSettings(const ParsedOptions& options) {
    ServeSettings settings;
    settings.listen = options.Value("listen", kDefaultListen);
    settings.service.database = options.Value("database", kDefaultDatabase);
    const auto rate = ParseCount(options.Value("rate", std::to_string(kDefaultReportsPerMinute)),
                                 1000000000);
    if (!rate) return Fail("--rate takes a number of reports per minute (0: no limit)"), std::nullopt;
    settings.service.reportsPerMinute = static_cast<std::uint32_t>(*rate);
    const auto workers = ParseCount(options.Value("workers", "32"), 1024);
    if (!workers || *workers == 0) return Fail("--workers takes a number from 1 to 1024"), std::nullopt;
    settings.limits.workers = *workers;
    auto token = LoadToken(options);
    if (!token) return std::nullopt;
    settings.service.token = std::move(*token);
    return settings;
}

}  // namespace

int ServeCommand(const std::vector<std::string>& arguments) {
    std::string error;
    const auto options = ParseOptions(arguments, kServeOptions, &error);
    if (!options) return Fail(error), 2;
    const auto settings = ReadSettings(*options);
    if (!settings) return 2;
    const auto pair = LoadPair(*options);
    if (!pair) return 1;
    auto store = OpenReportStore(settings->service.database, OpenMode::CreateIfMissing, &error);
    if (!store) return Fail("cannot open the database: " + error), 1;

    // The signals that stop the service are taken by this thread alone, with sigwait; a peer
    // that closes early must not end the program with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    InboxService service(settings->service, std::make_unique<GroupCommit>(std::move(store)));
    auto server = TlsServer::Start(
        settings->listen, pair->certificate, pair->privateKey, settings->limits,
        [&service](const Request& request) { return service.Handle(request); }, &error);
    if (!server) return Fail(error), 1;

    const auto colon = settings->listen.rfind(':');
    const std::string origin = "https://" + settings->listen.substr(0, colon) + ":" +
                               std::to_string(server->port());
    std::printf("packgate-inbox: listening on %s%s\n", origin.c_str(), kReportPath);
    // A token of the maker's own file is not repeated where logs may keep it.
    if (options->Value("token-file").empty()) {
        std::printf("packgate-inbox: the page is %s/?token=%s\n", origin.c_str(),
                    settings->service.token.c_str());
    } else {
        std::printf("packgate-inbox: the page is %s/ (its token is in %s)\n", origin.c_str(),
                    options->Value("token-file").c_str());
    }
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.reset();
    std::fprintf(stderr, "packgate-inbox: stopped; %s\n", service.counts().Line().c_str());
    return 0;
}

}  // namespace inbox
