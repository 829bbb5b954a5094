// SPDX-License-Identifier: GPL-3.0-or-later
#include "SecureZero.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <string.h>
#endif

void SecureZero(void* p, std::size_t n) noexcept
{
    if (p == nullptr || n == 0) return;
#if defined(_WIN32)
    SecureZeroMemory(p, n);
#elif defined(__GLIBC__) || defined(__OpenBSD__) || defined(__FreeBSD__)
    explicit_bzero(p, n);
#else
    volatile unsigned char* v = static_cast<volatile unsigned char*>(p);
    while (n--)
        *v++ = 0;
#endif
}
