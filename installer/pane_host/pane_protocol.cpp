#include "installer/pane_host/pane_protocol.h"

#include <utility>

namespace installer::pane_host {
namespace {

class Writer {
  public:
    explicit Writer(MessageKind kind) { byte(static_cast<std::uint8_t>(kind)); }
    void byte(std::uint8_t value) { body_.push_back(static_cast<char>(value)); }
    void flag(bool value) { byte(value ? 1 : 0); }
    void integer(std::int64_t value) {
        auto bits = static_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i, bits >>= 8) byte(static_cast<std::uint8_t>(bits & 0xff));
    }
    void length(std::size_t value) {
        auto bits = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i, bits >>= 8) byte(static_cast<std::uint8_t>(bits & 0xff));
    }
    void text(const std::string& value) {
        length(value.size());
        body_ += value;
    }
    void row(const std::optional<std::size_t>& value) {
        integer(value ? static_cast<std::int64_t>(*value) : -1);
    }
    std::string frame() const {
        Writer prefix;
        prefix.length(body_.size());
        return prefix.body_ + body_;
    }

  private:
    Writer() = default;
    std::string body_;
};

// Reads fields off a body; any read past its end or any bad value marks it failed, after
// which every read answers a harmless default.
class Reader {
  public:
    explicit Reader(const std::string& body) : body_(body) {}
    bool failed() const { return failed_; }
    bool atEnd() const { return at_ == body_.size(); }

    std::uint8_t byte() {
        if (failed_ || at_ >= body_.size()) return fail(), 0;
        return static_cast<std::uint8_t>(body_[at_++]);
    }
    bool flag() {
        const std::uint8_t value = byte();
        if (value > 1) fail();
        return value == 1;
    }
    std::int64_t integer() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= std::uint64_t{byte()} << (8 * i);
        return static_cast<std::int64_t>(bits);
    }
    std::size_t length() {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits |= std::uint32_t{byte()} << (8 * i);
        return bits;
    }
    std::string text() {
        const std::size_t size = length();
        if (failed_ || size > body_.size() - at_) return fail(), std::string();
        std::string value = body_.substr(at_, size);
        at_ += size;
        return value;
    }
    std::size_t count() {
        const std::size_t size = length();
        if (size > kMaxItems) fail();
        return failed_ ? 0 : size;
    }
    std::optional<std::size_t> row() {
        const std::int64_t value = integer();
        if (value == -1) return std::nullopt;
        if (value < 0 || value > static_cast<std::int64_t>(kMaxItems)) fail();
        return static_cast<std::size_t>(value < 0 ? 0 : value);
    }
    void fail() { failed_ = true; }

  private:
    const std::string& body_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

void PutCandidate(Writer& out, const PaneCandidate& c) {
    for (const std::string* text : {&c.source, &c.name, &c.productName, &c.recordPath,
                                    &c.applicationPath, &c.applicationVersion, &c.statedVersion,
                                    &c.minimumDataVersion, &c.revisionCode, &c.reasonCode,
                                    &c.reason}) {
        out.text(*text);
    }
    out.flag(c.offered);
    out.integer(c.tag);
    out.length(c.reasonFields.size());
    for (const auto& [name, value] : c.reasonFields) {
        out.text(name);
        out.text(value);
    }
}

PaneCandidate TakeCandidate(Reader& in) {
    PaneCandidate c;
    for (std::string* text : {&c.source, &c.name, &c.productName, &c.recordPath,
                              &c.applicationPath, &c.applicationVersion, &c.statedVersion,
                              &c.minimumDataVersion, &c.revisionCode, &c.reasonCode, &c.reason}) {
        *text = in.text();
    }
    c.offered = in.flag();
    c.tag = static_cast<long>(in.integer());
    const std::size_t fields = in.count();
    for (std::size_t i = 0; i < fields && !in.failed(); ++i) {
        std::string name = in.text();
        c.reasonFields.emplace_back(std::move(name), in.text());
    }
    return c;
}

void PutState(Writer& out, const PaneState& state) {
    out.text(state.title);
    out.text(state.label);
    out.flag(state.nextEnabled);
    out.length(state.rows.size());
    for (const RemoteRow& row : state.rows) {
        out.integer(row.tag);
        out.text(row.title);
    }
    out.row(state.selectedRow);
    out.flag(state.sheet.has_value());
    if (state.sheet) {
        out.flag(state.sheet->title.has_value());
        out.text(state.sheet->title.value_or(""));
        out.text(state.sheet->message);
        out.text(state.sheet->defaultButton);
    }
    out.length(state.candidates.size());
    for (const PaneCandidate& candidate : state.candidates) PutCandidate(out, candidate);
}

PaneState TakeState(Reader& in) {
    PaneState state;
    state.title = in.text();
    state.label = in.text();
    state.nextEnabled = in.flag();
    const std::size_t rows = in.count();
    for (std::size_t i = 0; i < rows && !in.failed(); ++i) {
        RemoteRow row;
        row.tag = static_cast<long>(in.integer());
        row.title = in.text();
        state.rows.push_back(std::move(row));
    }
    state.selectedRow = in.row();
    if (state.selectedRow && *state.selectedRow >= state.rows.size()) in.fail();
    if (in.flag()) {
        appkit::Sheet sheet;
        const bool titled = in.flag();
        std::string title = in.text();
        if (titled) sheet.title = std::move(title);
        sheet.message = in.text();
        sheet.defaultButton = in.text();
        state.sheet = std::move(sheet);
    }
    const std::size_t candidates = in.count();
    for (std::size_t i = 0; i < candidates && !in.failed(); ++i) {
        state.candidates.push_back(TakeCandidate(in));
    }
    return state;
}

bool TakeFields(Reader& in, Message& message) {
    switch (message.kind) {
        case MessageKind::Request: {
            const std::uint8_t callback = in.byte();
            if (callback > static_cast<std::uint8_t>(Callback::Exit)) return false;
            message.request.callback = static_cast<Callback>(callback);
            message.request.direction = static_cast<long>(in.integer());
            message.request.selectedRow = in.row();
            message.request.sheetShown = in.flag();
            return true;
        }
        case MessageKind::Hello:
            message.version = in.integer();
            return true;
        case MessageKind::LoadFailed:
        case MessageKind::Log:
            message.text = in.text();
            return true;
        case MessageKind::Answer:
            message.answer.allowed = in.flag();
            message.answer.state = TakeState(in);
            return true;
    }
    return false;
}

}  // namespace

std::string EncodeRequest(const PaneRequest& request) {
    Writer out(MessageKind::Request);
    out.byte(static_cast<std::uint8_t>(request.callback));
    out.integer(request.direction);
    out.row(request.selectedRow);
    out.flag(request.sheetShown);
    return out.frame();
}

std::string EncodeHello() {
    Writer out(MessageKind::Hello);
    out.integer(kProtocolVersion);
    return out.frame();
}

std::string EncodeLoadFailed(const std::string& reason) {
    Writer out(MessageKind::LoadFailed);
    out.text(reason);
    return out.frame();
}

std::string EncodeLog(const std::string& line) {
    Writer out(MessageKind::Log);
    out.text(line);
    return out.frame();
}

std::string EncodeAnswer(const PaneAnswer& answer) {
    Writer out(MessageKind::Answer);
    out.flag(answer.allowed);
    PutState(out, answer.state);
    return out.frame();
}

std::optional<Message> DecodeMessage(const std::string& body) {
    Reader in(body);
    Message message;
    message.kind = static_cast<MessageKind>(in.byte());
    if (in.failed() || !TakeFields(in, message) || in.failed() || !in.atEnd()) return std::nullopt;
    return message;
}

std::optional<std::string> FrameReader::next() {
    if (broken_ || buffer_.size() < 4) return std::nullopt;
    std::size_t size = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        size |= std::size_t{static_cast<std::uint8_t>(buffer_[i])} << (8 * i);
    }
    if (size > kMaxFrame) {
        broken_ = true;
        return std::nullopt;
    }
    if (buffer_.size() - 4 < size) return std::nullopt;
    std::string body = buffer_.substr(4, size);
    buffer_.erase(0, 4 + size);
    return body;
}

}  // namespace installer::pane_host
