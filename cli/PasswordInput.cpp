// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordInput.h"

#include "SecureZero.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

#if defined(_WIN32)
#include "WinText.h"

#include <io.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// The few descriptor calls below, by their names on each system.
#if defined(_WIN32)
int StdinDescriptor()
{
    // Binary, so that the offset left after the line counts the bytes that were really there.
    ::_setmode(0, _O_BINARY);
    return 0;
}
int OpenForReading(const std::string& path)
{
    return ::_wopen(WidenUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
long ReadSome(int fd, char* data, unsigned count)
{
    return ::_read(fd, data, count);
}
void SeekBack(int fd, long count)
{
    (void)::_lseeki64(fd, -count, SEEK_CUR);
}
void CloseDescriptor(int fd)
{
    ::_close(fd);
}
#else
int StdinDescriptor()
{
    return STDIN_FILENO;
}
int OpenForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
long ReadSome(int fd, char* data, unsigned count)
{
    return static_cast<long>(::read(fd, data, count));
}
void SeekBack(int fd, long count)
{
    (void)::lseek(fd, -static_cast<off_t>(count), SEEK_CUR);
}
void CloseDescriptor(int fd)
{
    ::close(fd);
}
#endif

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
        const long n = ReadSome(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LineRead::Failed;
        if (n == 0) break;
        const auto* end = static_cast<const char*>(std::memchr(block, '\n', static_cast<std::size_t>(n)));
        const std::size_t take = end != nullptr ? static_cast<std::size_t>(end - block) : static_cast<std::size_t>(n);
        if (line.size() + take > kMaxSecretLine) return LineRead::TooLong;
        line.append(block, take);
        if (end != nullptr) {
            const long after = n - static_cast<long>(take) - 1;
            if (after > 0) SeekBack(fd, after);
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
    const int fd = useStdin ? StdinDescriptor() : OpenForReading(path);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    const LineRead read = ReadLine(fd, line, stop);
    const int saved = errno;
    if (!useStdin) CloseDescriptor(fd);
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

#if !defined(_WIN32) // PasswordInput_Windows.cpp asks on the console.
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
#endif
