// SPDX-License-Identifier: GPL-3.0-or-later
// The window's pictures, drawn at run time so that the program needs no image files or image
// plug-ins.
#pragma once

#include <QIcon>
#include <QPixmap>

enum class TKV_ToolImage
{
    Encrypt,
    Decrypt,
    MasterPwdExpire,
    PwdExpire,
    Stop,
    Help
};

// A 24 x 24 tool-button image.
QIcon ToolIcon(TKV_ToolImage image);
// The 19 x 24 lock above a list: open above the Plain list, closed above the Crypted list; the
// highlighted one marks the active list.
QPixmap LockPixmap(bool open, bool highlighted);
// The program's own icon.
QIcon AppIcon();
// An encrypted file's icon, for a desktop that has none for the type.
QIcon CryptFileIcon();
// The 32 x 32 light bulb of the tip of the day.
QPixmap TipPixmap();
// The About box's 64 x 62 picture of the program: its lock with a key.
QPixmap AboutPixmap();
