// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordInput.h"

#include "SecureZero.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void Wipe(std::string& text)
{
    SecureZero(text.data(), text.size());
    text.clear();
}

// Reads one line byte by byte, so nothing after it is consumed and no stdio buffer keeps a copy.
bool ReadLine(int fd, std::string& line)
{
    line.clear();
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (c == '\n') break;
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

} // namespace

SecretText::SecretText(SecretText&& other) noexcept : text_(std::move(other.text_))
{
    Wipe(other.text_);
}

SecretText& SecretText::operator=(SecretText&& other) noexcept
{
    if (this != &other) {
        Wipe(text_);
        text_ = std::move(other.text_);
        Wipe(other.text_);
    }
    return *this;
}

SecretText::~SecretText()
{
    Wipe(text_);
}

std::optional<SecretText> ReadSecretLine(const std::string& path, std::string& error)
{
    const bool useStdin = path == "-";
    const int fd = useStdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    const bool ok = ReadLine(fd, line);
    const int saved = errno;
    if (!useStdin) ::close(fd);
    if (!ok) {
        error = "cannot read " + (useStdin ? std::string("standard input") : path) + ": " + std::strerror(saved);
        Wipe(line);
        return std::nullopt;
    }
    return SecretText(std::move(line));
}

std::optional<SecretText> AskOnTerminal(const std::string& prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    termios saved{};
    const bool isTerminal = ::tcgetattr(fd, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    [[maybe_unused]] const ssize_t shown = ::write(fd, prompt.data(), prompt.size());
    std::string line;
    const bool ok = ReadLine(fd, line);
    if (isTerminal) ::tcsetattr(fd, TCSAFLUSH, &saved);
    ::close(fd);
    if (!ok) {
        Wipe(line);
        return std::nullopt;
    }
    return SecretText(std::move(line));
}
