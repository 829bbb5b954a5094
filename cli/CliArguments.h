// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli's command line, read into options without printing anything.
#pragma once

#include "Keys.h"

#include <optional>
#include <string>
#include <vector>

// One job per core, as far as the system tells them (at least 1, at most 256).
int DefaultJobs();

struct Options
{
    std::string command;
    int method = kMethodIdea;
    bool methodGiven = false; // rekey keeps each container's method without it
    std::optional<std::string> passwordFile;
    bool keep = false;
    bool force = false;
    bool recursive = false;
    int jobs = DefaultJobs();
    std::optional<std::string> keyfile;
    std::optional<std::string> masterPasswordFile;
    std::optional<std::string> newPasswordFile; // rekey
    std::vector<std::string> files;
    // "keys": list, remove or prune; the names to remove are in `files`.
    std::string keysAction;
};

enum class CliParseOutcome
{
    Run,
    Help,
    Version,
    Usage, // a usage error, told by Error
};

struct CliParse
{
    CliParseOutcome Outcome = CliParseOutcome::Run;
    std::string Error;
};

// The method named by "idea", "des", "3xdes" (any letter case) or a code from 0 to 4.
std::optional<int> ParseMethod(const std::string& text);

// The arguments without the program name. `options` is filled as far as the arguments go.
CliParse ParseCliArguments(const std::vector<std::string>& args, Options& options);
