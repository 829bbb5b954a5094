// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli's command line: any arguments (the input split at zero bytes) give a verdict, and an
// accepted command line only options the program can carry out.
#include "CliArguments.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    Options options;
    const CliParse parse = ParseCliArguments(args, options);
    if (parse.Outcome == CliParseOutcome::Usage && parse.Error.empty()) __builtin_trap();
    if (parse.Outcome == CliParseOutcome::Run && options.command == "keys") {
        const bool removes = options.keysAction == "remove";
        const bool known = removes || options.keysAction == "list" || options.keysAction == "prune";
        if (!known || !options.keyfile || options.files.empty() == removes) __builtin_trap();
    } else if (parse.Outcome == CliParseOutcome::Run) {
        const bool known = options.command == "encrypt" || options.command == "decrypt" || options.command == "info" ||
                           options.command == "wipe" || options.command == "verify" || options.command == "rekey";
        if (!known || options.files.empty() || options.jobs < 1 || options.jobs > 256 || options.method < 0 ||
            options.method > 4 || (options.masterPasswordFile && !options.keyfile) ||
            (options.newPasswordFile && options.command != "rekey"))
            __builtin_trap();
        // Standard input can give one password only.
        int fromInput = 0;
        for (const auto* file : {&options.passwordFile, &options.newPasswordFile, &options.masterPasswordFile})
            fromInput += *file && **file == "-" ? 1 : 0;
        if (fromInput > 1) __builtin_trap();
    }
    return 0;
}
