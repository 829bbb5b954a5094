// SPDX-License-Identifier: GPL-3.0-or-later
#include "SecretArguments.h"

#include "SecureZero.h"

#include <cstring>
#include <strings.h>

void ScrubSecretArguments(int argc, char** argv) noexcept
{
    for (int i = 1; i < argc; ++i) {
        char* argument = argv[i];
        if (argument == nullptr) continue;
        for (const char* prefix : {"/pass:", "/masterpass:"}) {
            const std::size_t length = std::strlen(prefix);
            if (strncasecmp(argument, prefix, length) != 0) continue;
            SecureZero(argument + length, std::strlen(argument + length));
            break;
        }
    }
}
