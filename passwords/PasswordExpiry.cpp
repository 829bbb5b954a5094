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

} // namespace

void PasswordAccepted(TKV_Pwd& pwd, bool forSession, ExpiryControls& controls) noexcept
{
    pwd.Entered = true;
    if (!forSession) return;
    pwd.Expired = false;
    if (pwd.ExpTime > 0) {
        pwd.Ticks = 0;
        controls.TimerOn = true;
    }
    controls.ButtonOn = true;
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
    ++pwd.Ticks;
    if (pwd.Ticks > ExpirySeconds(pwd)) SetPwdExpired(pwd, controls);
}

void MasterPwd_TimerTimer(TKV_MasterPass& master, ExpiryControls& controls) noexcept
{
    if (!controls.TimerOn) return;
    ++master.Ticks;
    if (master.Ticks >= ExpirySeconds(master)) SetMasterPwdExpired(master, controls);
}

void RevalidatePasswords(TKV_Pwd& pwd, TKV_MasterPass& master) noexcept
{
    Drop(pwd, pwd.OnePassword && !pwd.Expired);
    Drop(master, !master.Expired);
}
