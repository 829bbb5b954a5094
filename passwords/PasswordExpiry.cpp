// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordExpiry.h"

namespace {

long long ExpirySeconds(const TKV_Pwd& pwd) noexcept
{
    return static_cast<long long>(pwd.ExpTime) * 60;
}

void Drop(TKV_Pwd& pwd, bool keep) noexcept
{
    // Nobody may use a dropped password again, so its bytes need not wait for the next prompt.
    if (pwd.Entered && !keep) pwd.ClearPassword();
    pwd.Entered = pwd.Entered && keep;
}

// A tick at 0 minutes (never) stops the countdown instead of expiring the password.
bool StopsAtNever(const TKV_Pwd& pwd, ExpiryControls& controls) noexcept
{
    if (pwd.ExpTime > 0) return false;
    controls.TimerOn = false;
    return true;
}

} // namespace

void PasswordAccepted(TKV_Pwd& pwd, bool forSession, ExpiryControls& controls) noexcept
{
    pwd.Entered = true;
    // A mark left from the password before would drop this one at the next batch boundary.
    pwd.Expired = false;
    if (!forSession) return;
    if (pwd.ExpTime > 0) pwd.Ticks = 0;
    // A countdown still running from the password before must not age this one at 0 minutes.
    controls.TimerOn = pwd.ExpTime > 0;
    controls.ButtonOn = true;
}

void ExpiryTimeChanged(TKV_Pwd& pwd, ExpiryControls& controls) noexcept
{
    if (pwd.ExpTime <= 0) controls.TimerOn = false;
}

void SetPwdExpired(TKV_Pwd& pwd, ExpiryControls& controls) noexcept
{
    pwd.Expired = true;
    controls.TimerOn = false;
    controls.ButtonOn = false;
}

void SetMasterPwdExpired(TKV_MasterPass& master, ExpiryControls& controls) noexcept
{
    controls.TimerOn = false;
    master.Expired = true;
    controls.ButtonOn = false;
}

void PwdTimerTimer(TKV_Pwd& pwd, ExpiryControls& controls) noexcept
{
    if (!controls.TimerOn) return;
    if (StopsAtNever(pwd, controls)) return;
    ++pwd.Ticks;
    if (pwd.Ticks > ExpirySeconds(pwd)) SetPwdExpired(pwd, controls);
}

void MasterPwd_TimerTimer(TKV_MasterPass& master, ExpiryControls& controls) noexcept
{
    if (!controls.TimerOn) return;
    if (StopsAtNever(master, controls)) return;
    ++master.Ticks;
    if (master.Ticks >= ExpirySeconds(master)) SetMasterPwdExpired(master, controls);
}

void RevalidatePasswords(TKV_Pwd& pwd, TKV_MasterPass& master) noexcept
{
    Drop(pwd, pwd.OnePassword && !pwd.Expired);
    Drop(master, !master.Expired);
}
