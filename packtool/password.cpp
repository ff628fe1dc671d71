#include "packtool/password.h"

#include <fcntl.h>
#include <signal.h>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace packtool {

std::optional<Password> Password::Make() {
    if (sodium_init() < 0) return std::nullopt;
    Password password;
    password.buffer_ = static_cast<char*>(sodium_malloc(kMaxLength));
    if (!password.buffer_) return std::nullopt;
    return password;
}

Password::~Password() {
    if (buffer_) sodium_free(buffer_);  // Wipes it first.
}

Password::Password(Password&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)), length_(std::exchange(other.length_, 0)) {}

Password& Password::operator=(Password&& other) noexcept {
    if (this != &other) {
        if (buffer_) sodium_free(buffer_);
        buffer_ = std::exchange(other.buffer_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

bool Password::push(char c) {
    if (length_ >= kMaxLength) return false;
    buffer_[length_++] = c;
    return true;
}

bool Password::operator==(const Password& other) const {
    return length_ == other.length_ &&
           (length_ == 0 || sodium_memcmp(buffer_, other.buffer_, length_) == 0);
}

namespace {

enum class LineEnd { Line, EndOfFile, TooLong, Failed };

// Reads one line from `fd` into `password`, a byte at a time so that nothing past the line
// is taken from a shared input. A carriage return before the line feed is dropped.
LineEnd ReadLine(int fd, Password& password) {
    bool carriageReturn = false;
    for (;;) {
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return LineEnd::Failed;
        if (got == 0) return LineEnd::EndOfFile;
        if (c == '\n') return LineEnd::Line;
        if (carriageReturn && !password.push('\r')) return LineEnd::TooLong;
        carriageReturn = c == '\r';
        if (!carriageReturn && !password.push(c)) return LineEnd::TooLong;
    }
}

std::string TooLong() {
    return "the password is longer than " + std::to_string(Password::kMaxLength) + " characters";
}

// The terminal's settings while echo is off, put back by a signal that ends the program there
// (tcsetattr is safe in a signal handler), so an interrupted prompt never leaves it mute.
int gTerminal = -1;
termios gSaved{};
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreAndReraise(int signal) {
    if (gTerminal >= 0) tcsetattr(gTerminal, TCSAFLUSH, &gSaved);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

class EchoOff {
  public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd, &gSaved) != 0) return;
        gTerminal = fd;
        for (int s : kEndingSignals) {
            struct sigaction action {};
            action.sa_handler = RestoreAndReraise;
            sigemptyset(&action.sa_mask);
            sigaction(s, &action, nullptr);
        }
        termios quiet = gSaved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
        quiet.c_lflag |= static_cast<tcflag_t>(ICANON);
        ok_ = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (gTerminal < 0) return;
        tcsetattr(fd_, TCSAFLUSH, &gSaved);
        for (int s : kEndingSignals) ::signal(s, SIG_DFL);
        gTerminal = -1;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool ok() const { return ok_; }

  private:
    int fd_;
    bool ok_ = false;
};

void Say(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
}

PasswordReading AskOnce(int fd, std::string_view prompt) {
    auto password = Password::Make();
    if (!password) return {{}, "no guarded memory for the password"};
    Say(fd, prompt);
    LineEnd end = LineEnd::Failed;
    {
        EchoOff quiet(fd);
        if (!quiet.ok()) return {{}, "cannot turn off the terminal's echo"};
        end = ReadLine(fd, *password);
    }
    Say(fd, "\n");
    if (end == LineEnd::TooLong) return {{}, TooLong()};
    if (end != LineEnd::Line) return {{}, "no password was typed"};
    return {std::move(password), {}};
}

}  // namespace

PasswordReading ReadPasswordFile(const std::string& path) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? 0 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {{}, "cannot read the password file " + path + ": " + std::strerror(errno)};
    auto password = Password::Make();
    const LineEnd end = password ? ReadLine(fd, *password) : LineEnd::Failed;
    const int error = errno;
    if (!standardInput) close(fd);
    if (!password) return {{}, "no guarded memory for the password"};
    if (end == LineEnd::Failed) {
        return {{}, "cannot read the password file " + path + ": " + std::strerror(error)};
    }
    if (end == LineEnd::TooLong) return {{}, TooLong()};
    return {std::move(password), {}};
}

PasswordReading AskPassword(std::string_view prompt, bool confirm) {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return {{}, "no terminal to ask for the password on; give it with --password-file FILE"};
    }
    PasswordReading first = AskOnce(fd, prompt);
    if (first.password && confirm) {
        PasswordReading second = AskOnce(fd, "Password (again): ");
        if (!second.password) {
            first = std::move(second);
        } else if (!(*first.password == *second.password)) {
            first = {{}, "the two passwords differ"};
        }
    }
    close(fd);
    return first;
}

}  // namespace packtool
