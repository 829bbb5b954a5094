// SPDX-License-Identifier: GPL-3.0-or-later
// Paths in Qt strings, for every layer that shows them: the one way to join them and to hand them
// to the Qt-free file layer. It lives in the lowest layer that uses Qt.
#pragma once

#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <string>

#ifndef _WIN32
#include <cerrno>
#include <unistd.h>
#endif

#ifndef _WIN32
namespace qtpaths_detail {

// A name here is bytes in no fixed encoding. Qt reads names as UTF-8 and turns every byte that is no
// UTF-8 into U+FFFD, after which the file cannot be found again. Such a byte travels instead as the
// lone surrogate U+DC80..U+DCFF (as Python's "surrogateescape" does) and comes back as the same byte.
inline constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `p` (at most `left` bytes), 0 when there is none.
inline int Utf8SequenceLength(const unsigned char* p, std::size_t left)
{
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    int n = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, code = c & 0x1F, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, code = c & 0x0F, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, code = c & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (left < static_cast<std::size_t>(n)) return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

inline QString DecodeName(const std::string& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t valid = 0;
    while (valid < bytes.size()) {
        const int n = Utf8SequenceLength(p + valid, bytes.size() - valid);
        if (n == 0) break;
        valid += static_cast<std::size_t>(n);
    }
    if (valid == bytes.size()) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        const int n = Utf8SequenceLength(p + i, bytes.size() - i);
        if (n == 0) {
            text.append(QChar(static_cast<char16_t>(kEscapeBase + p[i])));
            ++i;
        } else {
            text.append(QString::fromUtf8(reinterpret_cast<const char*>(p + i), n));
            i += static_cast<std::size_t>(n);
        }
    }
    return text;
}

inline bool IsEscapedByte(char16_t c)
{
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

inline std::string EncodeName(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype run = 0; // start of the characters not yet encoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A low surrogate right after a high one is half of a real character.
        const bool paired = i > 0 && text.at(i - 1).isHighSurrogate();
        if (!IsEscapedByte(c) || paired) continue;
        bytes += text.mid(run, i - run).toUtf8().toStdString();
        bytes += static_cast<char>(c - kEscapeBase);
        run = i + 1;
    }
    bytes += text.mid(run).toUtf8().toStdString();
    return bytes;
}

} // namespace qtpaths_detail
#endif

// A path as the file layer takes it: the file system's own encoding of the name; a name read with
// QPath comes back byte for byte, also when it is not valid in the user's encoding.
inline std::string FsPath(const QString& path)
{
#ifdef _WIN32
    return QFile::encodeName(path).toStdString();
#else
    return qtpaths_detail::EncodeName(path);
#endif
}

// A path of the file layer as the user reads it.
inline QString QPath(const std::string& path)
{
#ifdef _WIN32
    return QFile::decodeName(QByteArray::fromStdString(path));
#else
    return qtpaths_detail::DecodeName(path);
#endif
}

// The process's current directory as QPath names it.
inline QString CurrentDirectory()
{
#ifdef _WIN32
    return QDir::currentPath();
#else
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return QPath(buffer.c_str());
#endif
}

// Makes `path` the process's current directory; false when it cannot be entered.
inline bool SetCurrentDirectory(const QString& path)
{
#ifdef _WIN32
    return QDir::setCurrent(path);
#else
    return !path.isEmpty() && ::chdir(FsPath(path).c_str()) == 0;
#endif
}

// The file layer's JoinPath for Qt strings: a separator only when `directory` does not end in one.
inline QString JoinQPath(const QString& directory, const QString& name)
{
    return QPath(JoinPath(FsPath(directory), FsPath(name)));
}
