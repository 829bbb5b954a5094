// SPDX-License-Identifier: GPL-3.0-or-later
// Where kelvane-cli gets secret text: the first line of a file or standard input, or the terminal.
#pragma once

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

// The first line of `path` ("-" = standard input) without its line end; nullopt when it cannot be
// read. `error` says why.
std::optional<SecretText> ReadSecretLine(const std::string& path, std::string& error);

// Asks on the controlling terminal without echo; nullopt when there is no terminal.
std::optional<SecretText> AskOnTerminal(const std::string& prompt);
