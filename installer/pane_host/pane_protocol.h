// The messages between the installer and the helper process that runs the pack's pane.
//
// Each message is one frame: a 4-byte little-endian length, then that many bytes: a kind
// byte and its fields (integers as 8 little-endian bytes, booleans as one byte, texts as a
// 4-byte length and their bytes). Every length is checked against kMaxFrame before anything
// is read, so a hostile peer can make a frame unreadable but never make the reader overrun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appkit/views.h"
#include "installer_plugins/pane_candidates.h"

namespace installer::pane_host {

// Raised whenever a message changes shape; the helper says it first and the installer
// refuses any other.
inline constexpr std::int64_t kProtocolVersion = 1;
// The largest frame either side accepts.
inline constexpr std::size_t kMaxFrame = 1u << 20;
// The most rows or candidates one view may carry (the pane's own matrix holds at most 64).
inline constexpr std::size_t kMaxItems = 4096;

enum class MessageKind : std::uint8_t {
    Request = 1,     // installer -> helper: run one callback
    Hello = 10,      // helper -> installer: the pane is loaded; carries kProtocolVersion
    LoadFailed = 11, // helper -> installer: the bundle could not be loaded; carries why
    Log = 12,        // helper -> installer: one line of the pane's log
    Answer = 13,     // helper -> installer: the callback returned; carries the pane's view
};

enum class Callback : std::uint8_t { Title = 0, Enter = 1, Exit = 2 };

// One callback, with the choices the person made on the installer's side since the last one.
struct PaneRequest {
    Callback callback = Callback::Title;
    long direction = 0;
    std::optional<std::size_t> selectedRow;
    bool sheetShown = false;  // No once the person dismissed the pane's sheet.
};

struct RemoteRow {
    long tag = 0;
    std::string title;
};

// What the installer mirrors of the pane after a callback.
struct PaneState {
    std::string title;
    std::string label;
    bool nextEnabled = true;
    std::vector<RemoteRow> rows;
    std::optional<std::size_t> selectedRow;
    std::optional<appkit::Sheet> sheet;
    std::vector<PaneCandidate> candidates;
};

struct PaneAnswer {
    bool allowed = false;  // The pane's answer to leaving it (Exit only).
    PaneState state;
};

// A decoded message: `kind` and the fields that kind carries.
struct Message {
    MessageKind kind = MessageKind::Log;
    PaneRequest request;
    std::int64_t version = 0;
    std::string text;  // LoadFailed's reason, Log's line
    PaneAnswer answer;
};

// Frames, length prefix included.
std::string EncodeRequest(const PaneRequest& request);
std::string EncodeHello();
std::string EncodeLoadFailed(const std::string& reason);
std::string EncodeLog(const std::string& line);
std::string EncodeAnswer(const PaneAnswer& answer);

// The message in one frame body (without its length prefix); nothing when the body is
// malformed, too long for its fields, carries bytes after them or has an unknown kind.
std::optional<Message> DecodeMessage(const std::string& body);

// Collects bytes as they arrive and hands out whole frame bodies.
class FrameReader {
  public:
    void append(const char* data, std::size_t size) { buffer_.append(data, size); }
    // The next whole body, if one has arrived. Sets broken() on a length above kMaxFrame.
    std::optional<std::string> next();
    bool broken() const { return broken_; }

  private:
    std::string buffer_;
    bool broken_ = false;
};

}  // namespace installer::pane_host
