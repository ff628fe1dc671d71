// Passwords of secret keys: asked on the terminal without echo, or read from a file for
// scripts. The text lives only in libsodium's guarded memory and is wiped when it goes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace packtool {

class Password {
  public:
    // An empty password in guarded memory; nothing when none can be had.
    static std::optional<Password> Make();
    ~Password();
    Password(Password&& other) noexcept;
    Password& operator=(Password&& other) noexcept;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;

    std::string_view text() const { return {buffer_, length_}; }
    bool empty() const { return length_ == 0; }
    // Adds one character; false when the password is already as long as it may be.
    bool push(char c);
    bool operator==(const Password& other) const;

    // Passwords longer than this are refused rather than cut.
    static constexpr std::size_t kMaxLength = 1024;

  private:
    Password() = default;
    char* buffer_ = nullptr;
    std::size_t length_ = 0;
};

struct PasswordReading {
    std::optional<Password> password;
    std::string error;  // Why there is none, in one line.
};

// The first line of the file at `path` ("-": standard input), without its line end.
PasswordReading ReadPasswordFile(const std::string& path);

// Asks on the controlling terminal with `prompt`, echo off; with `confirm`, asks again and
// refuses two different answers. Fails when the program has no terminal.
PasswordReading AskPassword(std::string_view prompt, bool confirm);

}  // namespace packtool
