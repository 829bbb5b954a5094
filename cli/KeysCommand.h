// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli keys: which files have a password in a password database, and removing those entries.
#pragma once

#include "CliArguments.h"

#include <atomic>

// Runs `keys list`, `keys remove` or `keys prune` on the database of --keyfile, after its master
// password (from --master-password-file or the terminal). The names go to standard output byte for
// byte as stored, the messages to standard error. Returns the exit status: 0 done; 1 no database
// there, no or a wrong master password, a database that cannot be read or written (then unchanged),
// or a name to remove that has no entry (the others are removed all the same).
int RunKeys(const Options& options, const std::atomic<bool>* stop);
