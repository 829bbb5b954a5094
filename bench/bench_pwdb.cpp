// SPDX-License-Identifier: GPL-3.0-or-later
// Storing into and recalling from a password database of 10,000 entries, as a user's grown
// database would be: every operation reads, decrypts, re-encrypts and flushes the whole file.
#include "IPasswordUi.h"
#include "TKV_PwdTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEntries = 10000;

class SilentUi : public IPasswordUi
{
public:
    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable&) override { return MasterPasswordAnswer::NotNow; }
    void ShowDatabaseError(const std::string&) override { failed = true; }
    bool failed = false;
};

std::string ScratchPath()
{
    const char* dir = std::getenv("KELVANE_BENCH_SCRATCH");
    return std::string(dir && *dir ? dir : "/tmp") + "/kelvane-bench-" + std::to_string(::getpid()) + ".key";
}

// A database of kEntries lines, the last of which is `name`.
struct Database
{
    SilentUi ui;
    TKV_PwdTable table{ui};
    TKV_Pwd pwd;
    std::string path = ScratchPath();
    const std::string name = "/home/user/documents/zz-the-file-being-worked-on.txt";

    Database()
    {
        table.Master.Dir = path;
        table.Master.Store = true;
        table.Master.SetPassword("bench-master");
        table.Master.Entered = true;
        char line[128];
        for (int i = 0; i < kEntries - 1; ++i) {
            std::snprintf(line, sizeof line, "/home/user/documents/report-%05d.txt=password-%05d", i, i);
            table.Entries.Add(line);
        }
        table.SaveTable();
        table.ClearTable();
        pwd.SetPassword("file-password");
        table.StorePassword(name, pwd);
    }
    ~Database() { std::remove(path.c_str()); }
};

void BM_PwdDbStore(benchmark::State& state)
{
    Database db;
    for (auto _ : state)
        benchmark::DoNotOptimize(db.table.StorePassword(db.name, db.pwd));
    if (db.ui.failed) state.SkipWithError("the database could not be written");
}
BENCHMARK(BM_PwdDbStore)->Name("pwdb/store")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_PwdDbRecall(benchmark::State& state)
{
    Database db;
    for (auto _ : state) {
        RecalledPassword recalled = db.table.RecallPassword(db.name, db.pwd);
        if (!recalled || !recalled.Confirm()) {
            state.SkipWithError("the password was not recalled");
            break;
        }
        state.PauseTiming();
        db.table.StorePassword(db.name, db.pwd);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PwdDbRecall)->Name("pwdb/recall")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
