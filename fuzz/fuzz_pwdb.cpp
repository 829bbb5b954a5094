// SPDX-License-Identifier: GPL-3.0-or-later
// The password database reader: header, key check, body and the lines in it, on any bytes.
#include "FuzzSupport.h"

#include "IPasswordUi.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"

#include <cstdio>

namespace {

// Nobody answers: the reader is called directly.
class SilentUi : public IPasswordUi
{
public:
    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable&) override { return MasterPasswordAnswer::NotNow; }
    void ShowDatabaseError(const std::string&) override {}
};

} // namespace

// The seeds are databases under this master password, so that mutations reach the lines.
constexpr char kMaster[] = "fuzzmaster";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteInput("xwords.001", data, size);
    SilentUi ui;
    TKV_PwdTable table(ui);
    table.Master.Dir = path;
    table.Master.SetPassword(kMaster);
    table.Master.Entered = true;
    for (const bool body : {false, true}) {
        const int result = table.LoadTable(body);
        // A failed read leaves no lines behind.
        if (result != kResultOk && table.Entries.Count() != 0) __builtin_trap();
        table.ClearTable();
    }
    std::remove(path.c_str());
    return 0;
}
