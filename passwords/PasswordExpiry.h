// SPDX-License-Identifier: GPL-3.0-or-later
// Expiry of the two remembered passwords: the engine object's file password and the master
// password. A once-a-second timer counts the seconds since a password was entered and an
// expire-now button ends it early; both only mark it Expired. The password is dropped lazily at the
// next batch boundary (RevalidatePasswords), so it never disappears in the middle of a batch.
#pragma once

#include "TKV_MasterPass.h"
#include "TKV_Pwd.h"

// Whether a password's countdown timer runs and its expire-now button is enabled. The core keeps
// this state; the window's timer and tool button follow it after each call.
struct ExpiryControls
{
    bool TimerOn = false;
    bool ButtonOn = false;
};

// A password was just entered: Entered := true, Expired := false. With `forSession` (Expires for the
// master, OnePassword for the file password) it also restarts the countdown when ExpTime > 0 (and
// stops one still running otherwise) and enables the button.
void PasswordAccepted(TKV_Pwd& pwd, bool forSession, ExpiryControls& controls) noexcept;

// The minutes were changed (the Preferences dialog). At 0, which means never, a running countdown
// stops; other minutes take effect with the running count.
void ExpiryTimeChanged(TKV_Pwd& pwd, ExpiryControls& controls) noexcept;

// The file password's expire button or timer: Expired := true, timer off, button off.
void SetPwdExpired(TKV_Pwd& pwd, ExpiryControls& controls) noexcept;
// The master password's expire button or timer: timer off, Expired := true, button off.
void SetMasterPwdExpired(TKV_MasterPass& master, ExpiryControls& controls) noexcept;

// One second of the file password's timer: it expires at the first tick after ExpTime minutes.
// A tick while the timer is off (one already queued when it stopped) is ignored; one at 0 minutes
// stops the countdown.
void PwdTimerTimer(TKV_Pwd& pwd, ExpiryControls& controls) noexcept;
// One second of the master password's timer: it expires at the tick that completes ExpTime minutes.
void MasterPwd_TimerTimer(TKV_MasterPass& master, ExpiryControls& controls) noexcept;

// The batch boundary: the file password stays entered only with OnePassword and not expired, the
// master password only when not expired. A password dropped here is also wiped from memory.
void RevalidatePasswords(TKV_Pwd& pwd, TKV_MasterPass& master) noexcept;
