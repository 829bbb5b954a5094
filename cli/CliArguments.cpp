// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliArguments.h"

#include <algorithm>
#include <cstdlib>
#include <strings.h>
#include <thread>

namespace {

CliParse Usage(std::string text)
{
    return {CliParseOutcome::Usage, std::move(text)};
}

// "--name=value" becomes "--name" and its value (true); any other argument stays as it is.
bool SplitInlineValue(std::string& arg, std::string& value)
{
    const auto eq = arg.find('=');
    if (arg.rfind("--", 0) != 0 || eq == std::string::npos) return false;
    value = arg.substr(eq + 1);
    arg.resize(eq);
    return true;
}

// keys list|prune --keyfile DB [--master-password-file PATH|-], keys remove ... NAME...
CliParse ParseKeysArguments(const std::vector<std::string>& args, Options& options)
{
    if (args.size() < 2) return Usage("keys needs list, remove or prune");
    if (args[1] == "--help" || args[1] == "-h") return {CliParseOutcome::Help, {}};
    options.keysAction = args[1];
    if (options.keysAction != "list" && options.keysAction != "remove" && options.keysAction != "prune")
        return Usage("unknown keys command '" + options.keysAction + "' (list, remove or prune)");
    const std::string command = "keys " + options.keysAction;
    bool optionsEnded = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        const bool hasValue = SplitInlineValue(arg, value);
        if (arg == "--help" || arg == "-h") return {CliParseOutcome::Help, {}};
        if (arg != "--keyfile" && arg != "--master-password-file")
            return Usage("unknown option '" + args[i] + "' for " + command);
        if (!hasValue) {
            if (i + 1 >= args.size()) return Usage(arg + " needs a path");
            value = args[++i];
        }
        (arg == "--keyfile" ? options.keyfile : options.masterPasswordFile) = value;
    }
    if (!options.keyfile) return Usage(command + " needs --keyfile DB");
    if (options.keysAction == "remove" && options.files.empty()) return Usage("keys remove needs the names to remove");
    if (options.keysAction != "remove" && !options.files.empty())
        return Usage(command + " takes no names ('" + options.files.front() + "')");
    return {};
}

} // namespace

int DefaultJobs()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 256u));
}

std::optional<int> ParseMethod(const std::string& text)
{
    if (strcasecmp(text.c_str(), "idea") == 0) return kMethodIdea;
    if (strcasecmp(text.c_str(), "des") == 0) return kMethodDes;
    if (strcasecmp(text.c_str(), "3xdes") == 0) return kMethodTripleDes;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') return text[0] - '0';
    return std::nullopt;
}

CliParse ParseCliArguments(const std::vector<std::string>& args, Options& options)
{
    if (args.empty()) return Usage("no command given");
    if (args[0] == "--help" || args[0] == "-h") return {CliParseOutcome::Help, {}};
    if (args[0] == "--version") return {CliParseOutcome::Version, {}};
    options.command = args[0];
    if (options.command == "keys") return ParseKeysArguments(args, options);
    if (options.command != "encrypt" && options.command != "decrypt" && options.command != "info" &&
        options.command != "wipe" && options.command != "verify" && options.command != "rekey")
        return Usage("unknown command '" + options.command + "'");

    const bool crypts = options.command == "encrypt" || options.command == "decrypt";
    // verify and rekey read containers with a password, as decrypt does, and never overwrite anything.
    const bool checks = options.command == "verify" || options.command == "rekey";
    const bool rekeys = options.command == "rekey";
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        const bool hasValue = SplitInlineValue(arg, value);
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            return {CliParseOutcome::Help, {}};
        } else if (arg == "--method" && (options.command == "encrypt" || rekeys)) {
            if (!takeValue()) return Usage("--method needs a value");
            const auto method = ParseMethod(value);
            if (!method) return Usage("unknown method '" + value + "' (idea, des, 3xdes or 0-4)");
            options.method = *method;
            options.methodGiven = true;
        } else if (arg == "--password-file" && (crypts || checks)) {
            if (!takeValue()) return Usage("--password-file needs a path");
            options.passwordFile = value;
        } else if (arg == "--new-password-file" && rekeys) {
            if (!takeValue()) return Usage("--new-password-file needs a path");
            options.newPasswordFile = value;
        } else if (arg == "--keyfile" && (crypts || checks)) {
            if (!takeValue()) return Usage("--keyfile needs a path");
            options.keyfile = value;
        } else if (arg == "--master-password-file" && (crypts || checks)) {
            if (!takeValue()) return Usage("--master-password-file needs a path");
            options.masterPasswordFile = value;
        } else if (arg == "--keep" && crypts && !hasValue) {
            options.keep = true;
        } else if (arg == "--force" && crypts && !hasValue) {
            options.force = true;
        } else if ((arg == "--recursive" || arg == "-r") && crypts && !hasValue) {
            options.recursive = true;
        } else if ((arg == "--jobs" || arg == "-j") && crypts) {
            if (!takeValue()) return Usage(arg + " needs a number");
            char* end = nullptr;
            const long jobs = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || jobs < 1 || jobs > 256)
                return Usage("--jobs takes a number from 1 to 256");
            options.jobs = static_cast<int>(jobs);
        } else {
            return Usage("unknown option '" + args[i] + "' for " + options.command);
        }
    }
    if (options.files.empty()) return Usage("no file given");
    if (options.masterPasswordFile && !options.keyfile) return Usage("--master-password-file needs --keyfile");
    if (options.passwordFile && options.masterPasswordFile && *options.passwordFile == "-" &&
        *options.masterPasswordFile == "-")
        return Usage("standard input can give only one of the two passwords");
    if (rekeys) {
        int fromInput = 0;
        for (const auto* file : {&options.passwordFile, &options.newPasswordFile, &options.masterPasswordFile})
            fromInput += *file && **file == "-" ? 1 : 0;
        if (fromInput > 1) return Usage("standard input can give only one of the passwords");
    }
    return {};
}
