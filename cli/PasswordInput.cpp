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

enum class LineRead
{
    Ok,
    Failed, // errno set
    TooLong,
    Stopped
};

// Reads one line in blocks, stopping at kMaxSecretLine bytes and when `stop` is set (a signal breaks a
// blocked read). Where the descriptor can seek, it is left just after the line end, so nothing after
// the line is consumed; from a pipe the rest of the block is dropped. No stdio buffer keeps a copy.
LineRead ReadLine(int fd, std::string& line, const std::atomic<bool>* stop)
{
    line.clear();
    // Growing would leave copies of the secret behind in freed memory.
    line.reserve(kMaxSecretLine);
    char block[256];
    struct WipeBlock
    {
        char* data;
        std::size_t size;
        ~WipeBlock() { SecureZero(data, size); }
    } wipeBlock{block, sizeof block};
    for (;;) {
        if (stop != nullptr && stop->load()) return LineRead::Stopped;
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LineRead::Failed;
        if (n == 0) break;
        const auto* end = static_cast<const char*>(std::memchr(block, '\n', static_cast<std::size_t>(n)));
        const std::size_t take = end != nullptr ? static_cast<std::size_t>(end - block) : static_cast<std::size_t>(n);
        if (line.size() + take > kMaxSecretLine) return LineRead::TooLong;
        line.append(block, take);
        if (end != nullptr) {
            const off_t after = static_cast<off_t>(n) - static_cast<off_t>(take) - 1;
            if (after > 0) (void)::lseek(fd, -after, SEEK_CUR);
            break;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineRead::Ok;
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

std::optional<SecretText> ReadSecretLine(const std::string& path, std::string& error, const std::atomic<bool>* stop)
{
    const bool useStdin = path == "-";
    const std::string source = useStdin ? std::string("standard input") : path;
    const int fd = useStdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    const LineRead read = ReadLine(fd, line, stop);
    const int saved = errno;
    if (!useStdin) ::close(fd);
    if (read == LineRead::Ok) return SecretText(std::move(line));
    Wipe(line);
    switch (read) {
    case LineRead::TooLong:
        error = kTooLongLineMessage;
        break;
    case LineRead::Stopped:
        error = "stopped while reading " + source;
        break;
    default:
        error = "cannot read " + source + ": " + std::strerror(saved);
        break;
    }
    return std::nullopt;
}

std::optional<SecretText> AskOnTerminal(const std::string& prompt, const std::atomic<bool>* stop)
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
    const LineRead read = ReadLine(fd, line, stop);
    // Echo comes back also when Ctrl-C ended the entry.
    if (isTerminal) ::tcsetattr(fd, TCSAFLUSH, &saved);
    ::close(fd);
    if (read != LineRead::Ok) {
        Wipe(line);
        return std::nullopt;
    }
    return SecretText(std::move(line));
}
