// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileLists.h"

#include "Container.h"
#include "QtPaths.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>

#ifdef _WIN32
#include <QFile>
#include <QFileInfo>
#else
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kCry = QStringLiteral(".cry");

char16_t Folded(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// UTF-16 units ranked so that they order as UTF-8 bytes do (by code point): surrogates go above the
// rest of the basic plane.
int Rank(char16_t c)
{
    if (c >= 0xD800 && c <= 0xDFFF) return c + 0x2000;
    if (c >= 0xE000) return c - 0x800;
    return c;
}

template <typename T>
int Sign(T value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

QString TKV_FileItem::ColumnText(int column) const
{
    switch (column) {
    case 0:
        return Caption;
    case 1:
        return SizeText;
    case 2:
        return DateText;
    case 3:
        return Attributes;
    case 4:
        return Kind;
    default:
        return QString();
    }
}

bool IsCryName(QStringView fileName)
{
    return fileName.endsWith(kCry, Qt::CaseInsensitive);
}

QString CryptedCaption(const QString& fileName, bool showCry)
{
    return showCry ? fileName : fileName.left(fileName.size() - kCry.size());
}

QString FileOfCaption(const QString& caption, bool crypted, bool showCry)
{
    return crypted && !showCry ? caption + kCry : caption;
}

QString CaptionAfterEncryption(const QString& name, bool showCry)
{
    return showCry ? name + kCry : name;
}

QString CaptionAfterDecryption(const QString& name, bool showCry)
{
    return showCry ? name.left(name.size() - kCry.size()) : name;
}

QString SpecialFileType(const QString& path)
{
#ifdef _WIN32
    const QFileInfo info(path);
    return info.isSymLink() ? QStringLiteral("inode/symlink") : QString();
#else
    struct stat st
    {
    };
    if (::lstat(FsPath(path).c_str(), &st) != 0) return QString();
    if (S_ISLNK(st.st_mode)) return QStringLiteral("inode/symlink");
    if (S_ISFIFO(st.st_mode)) return QStringLiteral("inode/fifo");
    if (S_ISCHR(st.st_mode)) return QStringLiteral("inode/chardevice");
    if (S_ISBLK(st.st_mode)) return QStringLiteral("inode/blockdevice");
    if (S_ISSOCK(st.st_mode)) return QStringLiteral("inode/socket");
    return QString();
#endif
}

bool ReadFileFacts(const QString& path, bool readHead, TKV_FileFacts& facts)
{
#ifdef _WIN32
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
    const QFileInfo info(path);
    facts.Size = info.size();
    facts.Time = info.lastModified().toUTC().toSecsSinceEpoch();
    facts.OwnerCannotWrite = !info.isWritable();
    facts.HeadLength = 0;
    if (readHead) {
        const qint64 got = file.read(reinterpret_cast<char*>(facts.Head), sizeof facts.Head);
        facts.HeadLength = got > 0 ? static_cast<int>(got) : 0;
    }
    return true;
#else
    const std::string fsName = FsPath(path);
    const char* const name = fsName.c_str();
    // Only a regular file is opened: opening a device can have effects of its own, and a FIFO
    // would wait for a writer.
    struct stat st
    {
    };
    if (::stat(name, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    facts.Size = static_cast<qint64>(st.st_size);
    facts.Time = static_cast<qint64>(st.st_mtime);
    facts.OwnerCannotWrite = (st.st_mode & S_IWUSR) == 0;
    facts.HeadLength = 0;
    if (readHead) {
        while (facts.HeadLength < static_cast<int>(sizeof facts.Head)) {
            const ssize_t n = ::read(fd, facts.Head + facts.HeadLength, sizeof facts.Head - facts.HeadLength);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            facts.HeadLength += static_cast<int>(n);
        }
    }
    ::close(fd);
    return true;
#endif
}

QString SizeText(qint64 size)
{
    return QString::number(size);
}

QString DateText(qint64 time, const QLocale& locale)
{
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    return locale.toString(stamp.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           stamp.time().toString(QStringLiteral("hh:mm:ss"));
}

QString AttributeText(QStringView fileName, bool ownerCannotWrite)
{
    QString text = QStringLiteral("----");
    if (fileName.startsWith(QLatin1Char('.'))) text[1] = QLatin1Char('H');
    if (ownerCannotWrite) text[2] = QLatin1Char('R');
    return text;
}

QString MethodTagOfHead(const unsigned char* head, int length)
{
    return QString::fromLatin1(MethodTagOfHeader(head, length > 0 ? static_cast<std::size_t>(length) : 0));
}

int CompareCaptions(QStringView x, QStringView y)
{
    const qsizetype n = std::min(x.size(), y.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int a = Rank(Folded(x[i].unicode()));
        const int b = Rank(Folded(y[i].unicode()));
        if (a != b) return a - b;
    }
    return Sign(x.size() - y.size());
}

int CompareFileItems(const TKV_FileItem& x, const TKV_FileItem& y, int sortColumn, bool sortDescending,
                     bool detailsComplete)
{
    if (sortColumn != 0 && !detailsComplete) return 1;
    int result = 0;
    switch (sortColumn) {
    case 0:
        result = CompareCaptions(x.Caption, y.Caption);
        break;
    case 1:
    case 2:
        if (!x.HasDetails || !y.HasDetails) {
            result = int(x.HasDetails) - int(y.HasDetails);
        } else {
            result = sortColumn == 1 ? Sign(x.Size - y.Size) : Sign(x.Time - y.Time);
        }
        break;
    default:
        result = CompareCaptions(x.ColumnText(sortColumn), y.ColumnText(sortColumn));
        break;
    }
    return sortDescending ? -result : result;
}
