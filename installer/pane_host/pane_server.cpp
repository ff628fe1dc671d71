#include "installer/pane_host/pane_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "installer/demo/demo_inbox.h"
#include "installer/host_settings.h"
#include "installer/model/bundle_loader.h"
#include "installer/model/pane_view.h"
#include "installer/pane_host/pane_protocol.h"

namespace installer::pane_host {
namespace {

bool SendAll(int socket, const std::string& frame) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(socket, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// The next request, or nothing once the installer closed the socket (or sent nonsense).
std::optional<PaneRequest> NextRequest(int socket, FrameReader& reader) {
    for (;;) {
        if (auto body = reader.next()) {
            const auto message = DecodeMessage(*body);
            if (!message || message->kind != MessageKind::Request) return std::nullopt;
            return message->request;
        }
        if (reader.broken()) return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        reader.append(buffer, static_cast<std::size_t>(n));
    }
}

// The person's choices made on the installer's side reach the pane before its callback.
void ApplyChoices(InstallerPane& pane, const PaneRequest& request) {
    const auto& matrix = pane.contentView().matrix;
    if (request.selectedRow && matrix) matrix->selectCellAtRow(*request.selectedRow);
    if (request.sheetShown) return;
    while (appkit::Window* window = WindowWithSheet(pane)) window->endSheet();
}

PaneState StateOf(const InstallerPane& pane) {
    const PaneView view = ReadPaneView(pane);
    PaneState state;
    state.title = view.title;
    state.label = view.label;
    state.nextEnabled = view.nextEnabled;
    for (const PaneRow& row : view.rows) state.rows.push_back({row.tag, row.title});
    state.selectedRow = view.selectedIndex();
    state.sheet = view.sheet;
    if (const auto* record = dynamic_cast<const PaneCandidates*>(&pane)) {
        state.candidates = record->candidates();
    }
    return state;
}

PaneAnswer Run(InstallerPane& pane, const PaneRequest& request) {
    ApplyChoices(pane, request);
    PaneAnswer answer;
    switch (request.callback) {
        case Callback::Title:
            break;
        case Callback::Enter:
            pane.didEnterPane(request.direction);
            break;
        case Callback::Exit:
            answer.allowed = pane.shouldExitPane(request.direction);
            break;
    }
    answer.state = StateOf(pane);
    return answer;
}

}  // namespace

int ServePane(int socket, const ServedPane& served) {
    // The pane's log lines travel to the installer, which keeps the run's log.
    foundation::FeedbackPost demoPost;
    if (served.demoInboxPort != 0) demoPost = DemoInboxPost(served.demoInboxPort, served.demoInboxCertificate);
    ApplyHostSettings({served.machineRoot, served.homeFolder,
                       [socket](std::string_view line) { SendAll(socket, EncodeLog(std::string(line))); },
                       std::move(demoPost)});
    PluginLoad load = LoadPluginBundle(served.bundlePath);
    if (!load.plugin) {
        SendAll(socket, EncodeLoadFailed(load.error));
        return 1;
    }
    if (!SendAll(socket, EncodeHello())) return 1;
    FrameReader reader;
    while (const auto request = NextRequest(socket, reader)) {
        if (!SendAll(socket, EncodeAnswer(Run(load.plugin->pane(), *request)))) return 1;
    }
    return 0;
}

}  // namespace installer::pane_host
