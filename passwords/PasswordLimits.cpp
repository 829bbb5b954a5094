// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordLimits.h"

#include "Keys.h"
#include "TKV_PwdTable.h"

namespace {

constexpr int kMethodCount = 5;

PasswordLimits UpToBytes(int maxBytes) noexcept
{
    return PasswordLimits{kMinPasswordChars, static_cast<std::size_t>(maxBytes)};
}

} // namespace

PasswordLimits PasswordLimits::ForEncryption(int methodCode) noexcept
{
    // Bytes beyond the key length would be left out of the key without a word.
    const MethodInfo* method = FindMethod(methodCode);
    return UpToBytes(method != nullptr ? method->keyLength : kMaxKeyLength);
}

PasswordLimits PasswordLimits::ForMethodName(std::string_view name) noexcept
{
    // Every code of one name shares its key length, so the first code of the name serves.
    for (int code = 0; code < kMethodCount; ++code) {
        const char* known = MethodName(code);
        if (known != nullptr && name == known) return ForEncryption(code);
    }
    return ForEncryption(-1);
}

PasswordLimits PasswordLimits::ForMaster() noexcept
{
    return UpToBytes(kPwdDbKeyLength);
}

std::string PasswordLimits::RangeText() const
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about inserting before a string at -O3.
    std::string text = "(";
    text += std::to_string(MinChars);
    text += " - ";
    text += std::to_string(MaxBytes);
    text += " symbols)";
    return text;
}

PasswordLengthCheck PasswordLimits::Check(std::string_view utf8) const noexcept
{
    return CheckPasswordLength(utf8, MinChars, MaxBytes);
}
