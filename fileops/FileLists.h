// SPDX-License-Identifier: GPL-3.0-or-later
// The two file lists apart from any widget: what an entry holds, how captions name files, how an
// entry's details are read from disk and written as column texts, and how entries are ordered.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

class QLocale;

// One entry of the Plain or the Crypted list.
struct TKV_FileItem
{
    QString Caption;
    // The file behind the entry, without directory. Usually what FileOfCaption gives; it differs for
    // a container whose extension is not in small letters (b.CRY shown as "b" with ShowCry off),
    // which names cannot tell apart here, where letter case matters.
    QString FileName;
    // Index into the window's icon list; -1 for none.
    int ImageIndex = -1;
    // False while the entry shows its caption alone.
    bool HasDetails = false;
    qint64 Size = 0;
    // Last write, whole seconds since 1970 (UTC).
    qint64 Time = 0;
    QString SizeText;
    QString DateText;
    QString Attributes;
    // "File Type" in the Plain list, "Encrypted by" in the Crypted list.
    QString Kind;

    // The text of column 0..4; empty for a column the entry has no text for.
    QString ColumnText(int column) const;
};

inline constexpr int kFileListColumns = 5;

// ---- Names

// The extension from the last point on is ".cry", in any letter case.
bool IsCryName(QStringView fileName);
// The caption of an encrypted file in the Crypted list: the file name, without its ".cry" when
// ShowCry is off.
QString CryptedCaption(const QString& fileName, bool showCry);
// The file behind a caption: the caption itself, plus ".cry" in the Crypted list when ShowCry is off.
QString FileOfCaption(const QString& caption, bool crypted, bool showCry);
// The caption that enters the Crypted list after plain file `name` was encrypted.
QString CaptionAfterEncryption(const QString& name, bool showCry);
// The caption that enters the Plain list after Crypted entry `name` was decrypted.
QString CaptionAfterDecryption(const QString& name, bool showCry);

// ---- Details

// What one open of a file tells about it.
struct TKV_FileFacts
{
    qint64 Size = 0;
    qint64 Time = 0; // last write, seconds since 1970 (UTC)
    bool OwnerCannotWrite = false;
    // The first bytes, up to four; read only when asked for.
    unsigned char Head[4] = {};
    int HeadLength = 0;
};

// Opens `path` for reading, takes its size, time and permissions from the open file and, with
// `readHead`, its first four bytes. False for anything but a regular file (never opened: a FIFO
// would block the window, a device may act on being opened) and when the file cannot be opened or
// examined; `facts` is then unspecified.
bool ReadFileFacts(const QString& path, bool readHead, TKV_FileFacts& facts);

// The desktop's type name for what `path` itself is when it is no regular file (a link is not
// followed): "inode/symlink", "inode/fifo", "inode/chardevice", "inode/blockdevice" or
// "inode/socket". Empty for a regular file, a directory and a path that cannot be examined.
QString SpecialFileType(const QString& path);

// Decimal bytes.
QString SizeText(qint64 size);
// The locale's short date, then hh:mm:ss on the 24-hour clock, of the time as stored (UTC, not
// turned into local time).
QString DateText(qint64 time, const QLocale& locale);
// Four letters, "A" "H" "R" "S" or "-" in their places. Here archive and system do not exist; hidden
// is a name that starts with a point, read-only a file its owner cannot write.
QString AttributeText(QStringView fileName, bool ownerCannotWrite);
// "DES", "IDEA", "3xDES" from the fourth byte; "-" for fewer than four bytes or an unknown method.
QString MethodTagOfHead(const unsigned char* head, int length);

// ---- Order

// Captions byte by byte (UTF-8), with a to z folded to capitals: negative, zero or positive.
int CompareCaptions(QStringView x, QStringView y);

// The lists' one comparison. Column 0 by caption, 1 by size, 2 by time, 3 and 4 by text as the
// captions; the sign inverted when descending. While the entries lack their details, every
// column but the name gives 1 and no direction. An entry without details sorts before one with.
int CompareFileItems(const TKV_FileItem& x, const TKV_FileItem& y, int sortColumn, bool sortDescending,
                     bool detailsComplete);
