// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of the window's layout rules, apart from any widget.
#pragma once

// What the rules start from: the panels' sizes and the design positions that never change.
struct TKV_GridInput
{
    int DirPanelWidth = 0;
    int DirPanelHeight = 0;
    int GridPanelWidth = 0;
    int TreeTop = 30;     // the directory tree in Dir_Panel
    int PlainTop = 28;    // the Plain list in Grid_Panel
    int OpenImageTop = 4; // the open lock above it
    int BarHeight = 10;   // the progress bars
    bool Busy = false;    // a file is being encrypted or decrypted: the bars are shown
};

struct TKV_GridLayout
{
    int TreeWidth = 0; // also the drive selector's width
    int TreeHeight = 0;
    int ListWidth = 0; // both lists and both progress bars
    int PlainHeight = 0;
    int CryptedTop = 0;
    int CryptedHeight = 0;
    int ClosedImageTop = 0; // Closed_Image and Closed_Image_Hl
    int CryptedLabelTop = 0;
    int ProgressBar1Top = 0;
    int ProgressBar2Top = 0;
};

// The widths of UpdateWidths and the heights and tops of Reresize. Idle, the Crypted list ends level
// with the tree and each hidden bar is tucked into the bottom of its list; busy, the lists leave
// room for the bars just under them.
TKV_GridLayout GridLayout(const TKV_GridInput& in);
