// SPDX-License-Identifier: GPL-3.0-or-later
// Expiry of the file password and the master password, the batch boundary, and the length rules
// of the master password dialog.
#include "PasswordExpiry.h"
#include "PasswordMessages.h"

#include "PwdTestSupport.h"

using namespace pwtest;

namespace {

struct TickCase
{
    int expTime;
    int masterExpiresAt;
    int fileExpiresAt;
};

class Ticks : public ::testing::TestWithParam<TickCase>
{
};

// Ticks one by one up to `at`, checking that the password holds until then and expires exactly then.
template <class Pwd, class Tick>
void ExpectExpiryAt(Pwd& pwd, ExpiryControls& controls, int at, Tick tick)
{
    for (int i = 1; i < at; ++i) {
        tick(pwd, controls);
        ASSERT_FALSE(pwd.Expired) << "tick " << i;
        ASSERT_TRUE(controls.TimerOn);
    }
    tick(pwd, controls);
    EXPECT_TRUE(pwd.Expired);
    EXPECT_FALSE(controls.TimerOn);
    EXPECT_FALSE(controls.ButtonOn);
    EXPECT_EQ(pwd.Ticks, at);
    EXPECT_TRUE(pwd.Entered);
}

TEST_P(Ticks, MasterExpiresAtTheTickThatCompletesTheMinutes)
{
    TKV_MasterPass master;
    master.ExpTime = GetParam().expTime;
    master.Ticks = 500;
    ExpiryControls controls;
    PasswordAccepted(master, true, controls);
    EXPECT_EQ(master.Ticks, 0);
    ExpectExpiryAt(master, controls, GetParam().masterExpiresAt, MasterPwd_TimerTimer);
}

TEST_P(Ticks, FilePasswordExpiresAtTheTickAfterTheMinutes)
{
    TKV_Pwd pwd;
    pwd.ExpTime = GetParam().expTime;
    ExpiryControls controls;
    PasswordAccepted(pwd, true, controls);
    ExpectExpiryAt(pwd, controls, GetParam().fileExpiresAt, PwdTimerTimer);
}

INSTANTIATE_TEST_SUITE_P(Minutes, Ticks, ::testing::Values(TickCase{1, 60, 61}, TickCase{3, 180, 181}));

TEST(Expiry, WithoutMinutesThereIsNoCountdown)
{
    TKV_MasterPass master;
    master.Expired = true;
    ExpiryControls controls;
    PasswordAccepted(master, true, controls);
    EXPECT_TRUE(master.Entered);
    EXPECT_FALSE(master.Expired);
    EXPECT_FALSE(controls.TimerOn);
    EXPECT_TRUE(controls.ButtonOn);
    for (int i = 0; i < 100; ++i)
        MasterPwd_TimerTimer(master, controls);
    EXPECT_FALSE(master.Expired);
    EXPECT_EQ(master.Ticks, 0);
}

TEST(Expiry, WithoutTheSessionFlagOnlyEntered)
{
    TKV_Pwd pwd;
    pwd.ExpTime = 1;
    pwd.Expired = true;
    pwd.Ticks = 7;
    ExpiryControls controls;
    PasswordAccepted(pwd, false, controls);
    EXPECT_TRUE(pwd.Entered);
    EXPECT_EQ(pwd.Ticks, 7);
    EXPECT_FALSE(controls.TimerOn);
    EXPECT_FALSE(controls.ButtonOn);
}

// A password made to expire (by the button, or by a change of the database settings) and then
// entered again without the session flag must not be dropped at the next boundary for the old mark.
TEST(Expiry, AFreshPasswordIsNeverExpired)
{
    for (const bool forSession : {false, true}) {
        TKV_MasterPass master;
        master.SetPassword("old one");
        master.Entered = true;
        ExpiryControls controls;
        SetMasterPwdExpired(master, controls);
        master.SetPassword("new one");
        PasswordAccepted(master, forSession, controls);
        TKV_Pwd pwd;
        RevalidatePasswords(pwd, master);
        EXPECT_TRUE(master.Entered) << "forSession " << forSession;
    }
}

// 0 minutes means never: a countdown still running from before must not expire the password at its
// next tick, whether the minutes were changed first or a password was entered with them.
TEST(Expiry, ZeroMinutesStopACountdownThatRuns)
{
    TKV_MasterPass master;
    master.Expires = true;
    master.ExpTime = 1;
    ExpiryControls masterControls;
    PasswordAccepted(master, true, masterControls);
    TKV_Pwd pwd;
    pwd.OnePassword = true;
    pwd.ExpTime = 1;
    ExpiryControls pwdControls;
    PasswordAccepted(pwd, true, pwdControls);
    ASSERT_TRUE(masterControls.TimerOn);
    ASSERT_TRUE(pwdControls.TimerOn);

    master.ExpTime = 0;
    pwd.ExpTime = 0;
    ExpiryTimeChanged(master, masterControls);
    ExpiryTimeChanged(pwd, pwdControls);
    EXPECT_FALSE(masterControls.TimerOn);
    EXPECT_FALSE(pwdControls.TimerOn);
    EXPECT_TRUE(masterControls.ButtonOn);

    // A tick already queued, or a timer the window did not stop, changes nothing either.
    masterControls.TimerOn = pwdControls.TimerOn = true;
    MasterPwd_TimerTimer(master, masterControls);
    PwdTimerTimer(pwd, pwdControls);
    EXPECT_FALSE(master.Expired);
    EXPECT_FALSE(pwd.Expired);
    EXPECT_FALSE(masterControls.TimerOn);
    EXPECT_FALSE(pwdControls.TimerOn);

    // The next password entered with 0 minutes finds no countdown running.
    masterControls.TimerOn = true;
    PasswordAccepted(master, true, masterControls);
    EXPECT_FALSE(masterControls.TimerOn);
}

TEST(Expiry, TheButtonsExpireAtOnce)
{
    TKV_Pwd pwd;
    TKV_MasterPass master;
    pwd.ExpTime = master.ExpTime = 10;
    ExpiryControls pwdControls;
    ExpiryControls masterControls;
    PasswordAccepted(pwd, true, pwdControls);
    PasswordAccepted(master, true, masterControls);
    SetPwdExpired(pwd, pwdControls);
    SetMasterPwdExpired(master, masterControls);
    for (const auto* p : {static_cast<const TKV_Pwd*>(&pwd), static_cast<const TKV_Pwd*>(&master)}) {
        EXPECT_TRUE(p->Expired);
        EXPECT_TRUE(p->Entered);
    }
    for (const ExpiryControls& c : {pwdControls, masterControls}) {
        EXPECT_FALSE(c.TimerOn);
        EXPECT_FALSE(c.ButtonOn);
    }
    // A tick already queued when the timer stopped counts no more.
    PwdTimerTimer(pwd, pwdControls);
    EXPECT_EQ(pwd.Ticks, 0);
}

struct RevalidateCase
{
    bool entered;
    bool onePassword;
    bool expired;
    bool pwdStays;
    bool masterStays;
};

class Revalidate : public ::testing::TestWithParam<RevalidateCase>
{
};

TEST_P(Revalidate, DropsWhatMayNoLongerServe)
{
    const RevalidateCase& c = GetParam();
    TKV_Pwd pwd;
    TKV_MasterPass master;
    pwd.SetPassword("file-pass");
    master.SetPassword("master-pass");
    pwd.Entered = master.Entered = c.entered;
    pwd.Expired = master.Expired = c.expired;
    pwd.OnePassword = c.onePassword;

    RevalidatePasswords(pwd, master);

    EXPECT_EQ(pwd.Entered, c.pwdStays);
    EXPECT_EQ(master.Entered, c.masterStays);
    // A dropped password is wiped; one that was not entered is left as it was.
    EXPECT_EQ(PasswordOf(pwd), c.pwdStays || !c.entered ? "file-pass" : "");
    EXPECT_EQ(PasswordOf(master), c.masterStays || !c.entered ? "master-pass" : "");
}

INSTANTIATE_TEST_SUITE_P(Flags, Revalidate,
                         ::testing::Values(RevalidateCase{true, true, false, true, true},
                                           RevalidateCase{true, false, false, false, true},
                                           RevalidateCase{true, true, true, false, false},
                                           RevalidateCase{true, false, true, false, false},
                                           RevalidateCase{false, true, false, false, false}));

struct EntryCase
{
    std::string first;
    std::string second;
    MasterEntryCheck check;
    const char* message;
};

class MasterEntry : public ::testing::TestWithParam<EntryCase>
{
};

TEST_P(MasterEntry, FollowsTheDialogRules)
{
    const EntryCase& c = GetParam();
    EXPECT_EQ(CheckMasterPasswordEntry(c.first, c.second), c.check);
    EXPECT_STREQ(MasterEntryCheckMessage(c.check), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, MasterEntry,
    ::testing::Values(
        EntryCase{"abcde", "abcde", MasterEntryCheck::TooFew, "Too few characters in password."},
        EntryCase{"abcde", "other", MasterEntryCheck::TooFew, "Too few characters in password."},
        EntryCase{"abcdef", "abcdef", MasterEntryCheck::Ok, ""},
        EntryCase{"0123456789abcdef", "0123456789abcdef", MasterEntryCheck::Ok, ""},
        EntryCase{"0123456789abcdefg", "0123456789abcdefg", MasterEntryCheck::TooMany,
                  "Too many characters in password."},
        EntryCase{"abcdef", "abcdeF", MasterEntryCheck::Mismatch, "Verification failed."},
        // The least counts characters, the most key bytes: "ä" is one key byte (Windows-1252),
        // a Greek or Cyrillic letter two (UTF-8).
        EntryCase{"\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
                  "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", MasterEntryCheck::Ok, ""},
        EntryCase{"\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
                  MasterEntryCheck::TooFew, "Too few characters in password."},
        EntryCase{std::string(8, 'x') + "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
                  std::string(8, 'x') + "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
                  MasterEntryCheck::Ok, ""},
        EntryCase{std::string(16, 'x') + "\xC3\xA4", std::string(16, 'x') + "\xC3\xA4", MasterEntryCheck::TooMany,
                  "Too many characters in password."},
        EntryCase{"\xCE\xB1\xCE\xB2\xCE\xB3", "\xCE\xB1\xCE\xB2\xCE\xB3", MasterEntryCheck::TooFew,
                  "Too few characters in password."},
        EntryCase{"\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8",
                  "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8", MasterEntryCheck::Ok, ""},
        EntryCase{"\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8\xCE\xB9",
                  "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8\xCE\xB9", MasterEntryCheck::TooMany,
                  "Too many characters in password."},
        EntryCase{"\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4"
                  "abc",
                  "\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4\xD0\xB4"
                  "abc",
                  MasterEntryCheck::TooMany, "Too many characters in password."}));

} // namespace
