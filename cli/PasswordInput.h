// SPDX-License-Identifier: GPL-3.0-or-later
// Where kelvane-cli gets secret text: the first line of a file or standard input, or the terminal.
#pragma once

#include "PasswordMessages.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

// A string that is cleared when it goes away.
class SecretText
{
public:
    SecretText() = default;
    explicit SecretText(std::string text) : text_(std::move(text)) {}
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    ~SecretText();
    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
};

// The longest line taken as a secret; a longer one is refused with kTooLongLineMessage without being
// read further (a password file of /dev/zero or with no line end ends there).
inline constexpr std::size_t kMaxSecretLine = 4096;
inline constexpr const char* kTooLongLineMessage = kTooManyCharsMessage;

// The first line of `path` ("-" = standard input) without its line end; nullopt when it cannot be
// read, is longer than kMaxSecretLine, or `stop` was set meanwhile. `error` says why.
std::optional<SecretText> ReadSecretLine(const std::string& path, std::string& error,
                                         const std::atomic<bool>* stop = nullptr);

// Asks on the controlling terminal without echo; nullopt when there is no terminal, the answer is
// too long, or `stop` was set meanwhile. Echo is restored in every case.
std::optional<SecretText> AskOnTerminal(const std::string& prompt, const std::atomic<bool>* stop = nullptr);
