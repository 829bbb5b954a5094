// SPDX-License-Identifier: GPL-3.0-or-later
// The container reader: header, method byte, key check, body and checksum, on any bytes.
#include "FuzzSupport.h"

#include "Container.h"
#include "Keys.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"

#include <cstdio>

// The seeds are containers under this password, so that mutations reach the body.
constexpr char kPassword[] = "fuzzpass";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteInput("input.cry", data, size);
    const ContainerInfo info = ReadContainerInfo(path);
    (void)ReadMethodTag(path);

    TKV_Pwd pwd;
    pwd.SetPassword(kPassword);
    const int result = pwd.DecryptFile(path, true);
    const std::string plain = path.substr(0, path.size() - 4);
    // Only a container the header reader accepted can open.
    if (result == kResultOk && (!info.readable || info.method < 0)) __builtin_trap();
    std::remove(plain.c_str());

    // Verify and rekey read as decryption does: they accept exactly what it accepts, and a rekeyed
    // container opens under the new password.
    if ((pwd.VerifyFile(path) == kResultOk) != (result == kResultOk)) __builtin_trap();
    TKV_Pwd next;
    next.SetPassword("fuzznew12");
    const int rekeyed = pwd.RekeyFile(path, next.Password, kMethodDes);
    if ((rekeyed == kResultOk) != (result == kResultOk)) __builtin_trap();
    if (rekeyed == kResultOk && next.VerifyFile(path) != kResultOk) __builtin_trap();
    std::remove(path.c_str());
    return 0;
}
