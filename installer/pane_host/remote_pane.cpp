#include "installer/pane_host/remote_pane.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "foundation/system_log.h"
#include "installer/pane_host/stop_reason.h"

namespace installer::pane_host {
namespace {

using Clock = std::chrono::steady_clock;

PaneContentView MirrorView() {
    PaneContentView view;
    view.window = std::make_unique<appkit::Window>();
    view.label = std::make_shared<appkit::TextField>();
    view.matrix = std::make_shared<appkit::RadioMatrix>();
    view.label->setWindow(view.window.get());
    view.matrix->setWindow(view.window.get());
    return view;
}

// Whatever the helper did after a callback came to nothing: kill it and say how it ended.
std::string EndedWithoutAnswer(PaneProcess& process, Clock::time_point deadline) {
    const HelperEnd end = process.reap(deadline);
    return end.signaled ? StopText(StopCause::Signal, end.number)
                        : StopText(StopCause::Exit, end.number);
}

}  // namespace

CallLimits RunCallLimits() {
    CallLimits limits;
    const char* text = std::getenv("PACKGATE_PANE_TIMEOUT_MS");
    if (text == nullptr) return limits;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && value > 0 && value <= 3600000) {
        limits.time = std::chrono::milliseconds(value);
    }
    return limits;
}

RemotePane::RemotePane(foundation::Bundle bundle, std::unique_ptr<PaneProcess> process,
                       CallLimits limits)
    : InstallerPane(std::move(bundle), MirrorView()), process_(std::move(process)), limits_(limits) {}

RemotePane::~RemotePane() = default;

RemoteLaunch RemotePane::Launch(const HelperLaunch& launch, CallLimits limits) {
    std::string error;
    auto process = PaneProcess::Start(launch, error);
    if (!process) return {nullptr, StopText(StopCause::Start, 0, error)};
    const auto bundle = foundation::Bundle::AtPath(launch.bundlePath);
    if (!bundle) {
        return {nullptr, launch.bundlePath + ": no bundle folder there"};
    }
    std::unique_ptr<RemotePane> pane(new RemotePane(*bundle, std::move(process), limits));
    std::size_t messages = 0;
    std::size_t bytes = 0;
    const auto hello = pane->awaitMessage(limits.load, messages, bytes);
    if (!hello) return {nullptr, *pane->stopReason_};
    if (hello->kind == MessageKind::LoadFailed) return {nullptr, hello->text};
    if (hello->kind != MessageKind::Hello || hello->version != kProtocolVersion) {
        pane->stop(StopText(StopCause::Garbage));
        return {nullptr, *pane->stopReason_};
    }
    return {std::move(pane), {}};
}

void RemotePane::stop(std::string reason) const {
    if (stopReason_) return;
    stopReason_ = std::move(reason);
    foundation::NSLog("Pane host: %@", *stopReason_);
}

// The next message other than a log line; log lines go to the run's log as they come, in
// their order. Nothing once the helper stopped.
std::optional<Message> RemotePane::awaitMessage(std::chrono::milliseconds limit,
                                                std::size_t& messages, std::size_t& bytes) const {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!stopReason_) {
        if (auto body = reader_.next()) {
            auto message = DecodeMessage(*body);
            if (!message || ++messages > limits_.messages) break;
            if (message->kind != MessageKind::Log) return message;
            foundation::NSLog("%@", message->text);
            continue;
        }
        if (reader_.broken()) break;
        const auto received = process_->receive(deadline);
        if (!received) {
            process_->kill();
            stop(StopText(StopCause::Time, 0, SecondsText(static_cast<long>(limit.count()))));
            return std::nullopt;
        }
        if (received->empty()) {
            stop(EndedWithoutAnswer(*process_, Clock::now() + std::chrono::seconds(2)));
            return std::nullopt;
        }
        bytes += received->size();
        if (bytes > limits_.bytes) break;
        reader_.append(received->data(), received->size());
    }
    if (!stopReason_) {
        process_->kill();
        stop(StopText(StopCause::Garbage));
    }
    return std::nullopt;
}

std::optional<PaneAnswer> RemotePane::call(Callback callback,
                                           InstallerSectionDirection direction) const {
    if (stopReason_) return std::nullopt;
    PaneRequest request;
    request.callback = callback;
    request.direction = direction;
    request.selectedRow = contentView().matrix->selectedRow();
    request.sheetShown = window()->sheet().has_value();
    if (!process_->send(EncodeRequest(request))) {
        stop(EndedWithoutAnswer(*process_, Clock::now() + std::chrono::seconds(2)));
        return std::nullopt;
    }
    std::size_t messages = 0;
    std::size_t bytes = 0;
    auto message = awaitMessage(limits_.time, messages, bytes);
    if (!message) return std::nullopt;
    if (message->kind != MessageKind::Answer) {
        process_->kill();
        stop(StopText(StopCause::Garbage));
        return std::nullopt;
    }
    mirror(message->answer.state);
    return message->answer;
}

void RemotePane::mirror(const PaneState& state) const {
    title_ = state.title;
    titleKnown_ = true;
    const PaneContentView& view = contentView();
    view.label->setStringValue(state.label);
    const_cast<RemotePane*>(this)->setNextEnabled(state.nextEnabled);
    // Rows are laid again from scratch: a matrix cannot drop its selection any other way.
    while (view.matrix->numberOfRows() > 0) view.matrix->removeRow(view.matrix->numberOfRows() - 1);
    for (const RemoteRow& row : state.rows) {
        view.matrix->addRow();
        appkit::ButtonCell* cell = view.matrix->cellAtRow(view.matrix->numberOfRows() - 1);
        cell->setTag(row.tag);
        cell->setTitle(row.title);
    }
    if (state.selectedRow) view.matrix->selectCellAtRow(*state.selectedRow);
    window()->endSheet();
    if (state.sheet) window()->showSheet(*state.sheet);
    candidates_ = state.candidates;
}

std::string RemotePane::title() const {
    if (!titleKnown_ && !stopReason_) call(Callback::Title, InstallerDirectionUndefined);
    return title_;
}

void RemotePane::didEnterPane(InstallerSectionDirection direction) {
    call(Callback::Enter, direction);
}

bool RemotePane::shouldExitPane(InstallerSectionDirection direction) {
    const auto answer = call(Callback::Exit, direction);
    return answer && answer->allowed;
}

}  // namespace installer::pane_host
