// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords given on the command line ("/pass:", "/masterpass:") can be read by every local user in
// the process list. Once the program has taken its arguments, their text is blanked in the process's
// own argument memory, which is what the process list shows.
#pragma once

// Overwrites the value of every "/pass:" and "/masterpass:" argument (any letter case) with zero bytes.
void ScrubSecretArguments(int argc, char** argv) noexcept;
