// SPDX-License-Identifier: GPL-3.0-or-later
// Windows only: the program's arguments and console text as UTF-8.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name, from the UTF-16 command line.
std::vector<std::string> Utf8Arguments();
// Makes the console show the UTF-8 text the program writes, until the program ends.
void UseUtf8Console();
