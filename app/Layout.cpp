// SPDX-License-Identifier: GPL-3.0-or-later
#include "Layout.h"

namespace {

int FloorHalf(int value)
{
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

} // namespace

TKV_GridLayout GridLayout(const TKV_GridInput& in)
{
    TKV_GridLayout out;
    out.TreeWidth = in.DirPanelWidth - 8;
    out.ListWidth = in.GridPanelWidth - 12;
    out.TreeHeight = in.DirPanelHeight - 40;
    const int a = in.Busy ? 58 : 30;
    out.CryptedHeight = FloorHalf(out.TreeHeight - a);
    out.CryptedTop = in.TreeTop + out.TreeHeight - out.CryptedHeight - (in.Busy ? 14 : 0);
    out.ClosedImageTop = out.CryptedTop + (in.OpenImageTop - in.PlainTop);
    out.CryptedLabelTop = out.ClosedImageTop + 4;
    out.PlainHeight = out.TreeHeight - a - out.CryptedHeight;
    if (in.Busy) {
        out.ProgressBar1Top = in.PlainTop + out.PlainHeight + 4;
        out.ProgressBar2Top = out.CryptedTop + out.CryptedHeight + 4;
    } else {
        out.ProgressBar1Top = in.PlainTop + out.PlainHeight - in.BarHeight;
        out.ProgressBar2Top = out.CryptedTop + out.CryptedHeight - in.BarHeight;
    }
    return out;
}
