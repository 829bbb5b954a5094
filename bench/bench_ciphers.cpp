// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of our block ciphers in CBC mode next to OpenSSL's, of the checksum, and of the
// engine's whole-file operations. bench/compare.py turns the figures into ratios.
#include "Blocks.h"
#include "Cbc.h"
#include "Checksum.h"
#include "Des.h"
#include "Idea.h"
#include "Keys.h"
#include "SimdLevel.h"
#include "TKV_Pwd.h"

#include <benchmark/benchmark.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::uint8_t kKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xfe, 0xdc, 0xba, 0x98,
                                   0x76, 0x54, 0x32, 0x10, 0x0f, 0x1e, 0x2d, 0x3c, 0x4b, 0x5a, 0x69, 0x78};
constexpr std::uint8_t kIv[8] = {};
// Long enough for every method: each operation uses only as many characters as its key needs.
constexpr std::string_view kPassword = "bench-password-24-chars!";

void FillPseudoRandom(std::uint8_t* data, std::size_t count, std::uint64_t seed)
{
    std::uint64_t x = seed | 1;
    for (std::size_t i = 0; i < count; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(data + i, &x, count - i < 8 ? count - i : 8);
    }
}

std::vector<std::uint8_t> MakeBuffer()
{
    std::vector<std::uint8_t> buffer(kBufferSize);
    FillPseudoRandom(buffer.data(), buffer.size(), 0x6b656c76616e65);
    return buffer;
}

// The chaining loops written as the engine writes them, around one block transformation.
template <class Cipher>
void CbcEncipher(const Cipher& cipher, std::uint8_t* chain, std::uint8_t* data, std::size_t count)
{
    for (std::size_t i = 0; i < count; i += 8) {
        XorBlock(data + i, chain);
        cipher(data + i);
        CopyBlock(chain, data + i);
    }
}

template <class Cipher>
void CbcDecipher(const Cipher& cipher, std::uint8_t* chain, std::uint8_t* data, std::size_t count)
{
    std::uint8_t saved[8];
    for (std::size_t i = 0; i < count; i += 8) {
        CopyBlock(saved, data + i);
        cipher(data + i);
        XorBlock(data + i, chain);
        CopyBlock(chain, saved);
    }
}

// Bytes per iteration as a counter as well: compare.py derives rates from CPU time and from wall
// time alike, which the one bytes_per_second figure cannot give.
void CountBytes(benchmark::State& state, std::int64_t perIteration)
{
    const auto total = static_cast<std::int64_t>(state.iterations()) * perIteration;
    state.SetBytesProcessed(total);
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
}

template <class Cipher>
void RunCbc(benchmark::State& state, const Cipher& cipher, bool encipher)
{
    std::vector<std::uint8_t> buffer = MakeBuffer();
    std::uint8_t chain[8] = {};
    for (auto _ : state) {
        if (encipher)
            CbcEncipher(cipher, chain, buffer.data(), buffer.size());
        else
            CbcDecipher(cipher, chain, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    CountBytes(state, static_cast<std::int64_t>(buffer.size()));
}

void DesCbc(benchmark::State& state, bool encipher)
{
    DesSchedule schedule;
    DesMakeSchedule(schedule, kKey, encipher ? 0 : 1);
    RunCbc(
        state, [&](std::uint8_t* block) { DesBlock(schedule, block); }, encipher);
}

void TripleDesCbc(benchmark::State& state, bool encipher)
{
    DesSchedule s[3];
    DesMakeSchedule(s[0], kKey + (encipher ? 0 : 16), encipher ? 0 : 1);
    DesMakeSchedule(s[1], kKey + 8, encipher ? 1 : 0);
    DesMakeSchedule(s[2], kKey + (encipher ? 16 : 0), encipher ? 0 : 1);
    RunCbc(
        state, [&](std::uint8_t* block) { DesBlock3(s[0], s[1], s[2], block); }, encipher);
}

void IdeaCbc(benchmark::State& state, bool encipher)
{
    IdeaKeySchedule schedule;
    IdeaExpandKey(kKey, schedule);
    if (!encipher) IdeaInvertKey(schedule, schedule);
    RunCbc(
        state, [&](std::uint8_t* block) { IdeaBlock(block, block, schedule); }, encipher);
}

// CBC deciphering as the engine now does it: many blocks at once, at the level given (the
// widest the CPU runs unless a lower one is named), without the checksum.
template <class Wide>
void RunWideCbcDecipher(benchmark::State& state, const Wide& wide, SimdLevel level)
{
    const SimdLevel before = SimdActiveLevel();
    if (SimdForceLevel(level) != level) {
        SimdForceLevel(before);
        state.SkipWithError("this CPU cannot run that instruction-set level");
        return;
    }
    std::vector<std::uint8_t> buffer = MakeBuffer();
    std::uint8_t chain[8] = {};
    std::uint32_t unused = 0;
    for (auto _ : state) {
        DecipherBlocksWide<true>(wide, chain, buffer.data(), buffer.size() / 8, unused, 0);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    SimdForceLevel(before);
    CountBytes(state, static_cast<std::int64_t>(buffer.size()));
}

void DesCbcWide(benchmark::State& state, SimdLevel level)
{
    DesSchedule schedule;
    DesMakeSchedule(schedule, kKey, 1);
    DesSliceKeys keys;
    DesSliceKeysMake(keys, schedule);
    RunWideCbcDecipher(state, WideDes{&keys}, level);
}

void TripleDesCbcWide(benchmark::State& state, SimdLevel level)
{
    DesSchedule s[3];
    DesMakeSchedule(s[0], kKey + 16, 1);
    DesMakeSchedule(s[1], kKey + 8, 0);
    DesMakeSchedule(s[2], kKey, 1);
    DesSliceKeys keys;
    DesSliceKeysMake(keys, s[0], s[1], s[2]);
    RunWideCbcDecipher(state, WideDes{&keys}, level);
}

void IdeaCbcWide(benchmark::State& state, SimdLevel level)
{
    IdeaKeySchedule schedule;
    IdeaExpandKey(kKey, schedule);
    IdeaInvertKey(schedule, schedule);
    RunWideCbcDecipher(state, WideIdea{&schedule}, level);
}

void OpenSslCbc(benchmark::State& state, const char* name, bool encipher)
{
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (cipher == nullptr || ctx == nullptr ||
        EVP_CipherInit_ex2(ctx, cipher, kKey, kIv, encipher ? 1 : 0, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        char reason[256];
        ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
        state.SkipWithError((std::string("OpenSSL cipher unavailable: ") + reason).c_str());
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
        return;
    }
    std::vector<std::uint8_t> buffer = MakeBuffer();
    const int length = static_cast<int>(buffer.size());
    for (auto _ : state) {
        // In place, like our loops; the context carries the chain from one call to the next.
        int written = 0;
        if (EVP_CipherUpdate(ctx, buffer.data(), &written, buffer.data(), length) != 1 || written != length) {
            state.SkipWithError("EVP_CipherUpdate failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    CountBytes(state, length);
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
}

void Checksum(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer = MakeBuffer();
    std::uint32_t value = 0;
    for (auto _ : state) {
        value = UpdateChecksum(value, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(value);
    }
    CountBytes(state, static_cast<std::int64_t>(buffer.size()));
}

// Scratch files for the whole-file runs. Paths live in fixed arrays so that the signal handler
// can remove them with async-signal-safe calls only.
struct Scratch
{
    char dir[512] = {};
    char plain[600] = {};
    char container[600] = {};
    char decryptDir[600] = {};
    char decryptContainer[600] = {};
    char decryptOutput[600] = {};
    long long fileBytes = 256LL << 20;
    bool created = false;
    int containerMethod = -1; // method of the container the last encryption run left behind
};
Scratch g_scratch;

void RemoveScratch() noexcept
{
    if (g_scratch.dir[0] == '\0') return;
    for (const char* path : {g_scratch.decryptOutput, g_scratch.decryptContainer, g_scratch.container, g_scratch.plain})
        ::unlink(path);
    ::rmdir(g_scratch.decryptDir);
    ::rmdir(g_scratch.dir);
}

extern "C" void OnSignal(int signal)
{
    RemoveScratch();
    ::_exit(128 + signal);
}

bool SetUpScratch(const std::string& parent)
{
    const std::string dir = parent + "/kelvane-bench-" + std::to_string(::getpid());
    if (dir.size() + 40 > sizeof g_scratch.dir) return false;
    std::snprintf(g_scratch.dir, sizeof g_scratch.dir, "%s", dir.c_str());
    std::snprintf(g_scratch.plain, sizeof g_scratch.plain, "%s/data", g_scratch.dir);
    std::snprintf(g_scratch.container, sizeof g_scratch.container, "%s/data.cry", g_scratch.dir);
    std::snprintf(g_scratch.decryptDir, sizeof g_scratch.decryptDir, "%s/out", g_scratch.dir);
    std::snprintf(g_scratch.decryptContainer, sizeof g_scratch.decryptContainer, "%s/out/data.cry", g_scratch.dir);
    std::snprintf(g_scratch.decryptOutput, sizeof g_scratch.decryptOutput, "%s/out/data", g_scratch.dir);
    std::atexit(RemoveScratch);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, OnSignal);
    return true;
}

// Made on first use, so that a run filtered to the small benchmarks writes nothing.
bool EnsurePlainFile(benchmark::State& state)
{
    if (g_scratch.created) return true;
    if (::mkdir(g_scratch.dir, 0700) != 0 || ::mkdir(g_scratch.decryptDir, 0700) != 0) {
        state.SkipWithError((std::string("cannot create ") + g_scratch.dir + ": " + std::strerror(errno)).c_str());
        return false;
    }
    g_scratch.created = true;
    const int fd = ::open(g_scratch.plain, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::uint8_t> piece(kBufferSize);
    bool ok = fd >= 0;
    for (long long done = 0; ok && done < g_scratch.fileBytes;) {
        const auto n = static_cast<std::size_t>(std::min<long long>(g_scratch.fileBytes - done, kBufferSize));
        FillPseudoRandom(piece.data(), n, static_cast<std::uint64_t>(done) + 1);
        ok = ::write(fd, piece.data(), n) == static_cast<ssize_t>(n);
        done += static_cast<long long>(n);
    }
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (!ok) {
        state.SkipWithError((std::string("cannot write ") + g_scratch.plain + ": " + std::strerror(errno)).c_str());
        ::unlink(g_scratch.plain);
        return false;
    }
    return true;
}

// The engine as a program drives it: a password, and a message callback after every chunk.
struct Engine
{
    TKV_Pwd pwd;
    long long pumps = 0;
    Engine()
    {
        pwd.SetPassword(kPassword);
        pwd.ProcessMessages = [this] { benchmark::DoNotOptimize(++pumps); };
    }
};

void EncryptWholeFile(benchmark::State& state, int method)
{
    if (!EnsurePlainFile(state)) return;
    Engine engine;
    g_scratch.containerMethod = -1;
    for (auto _ : state) {
        // Measured without an old container to replace, as a first encryption runs.
        state.PauseTiming();
        ::unlink(g_scratch.container);
        state.ResumeTiming();
        if (const int result = engine.pwd.EncryptFile(g_scratch.plain, method); result != 0) {
            state.SkipWithError(("EncryptFile returned " + std::to_string(result)).c_str());
            break;
        }
    }
    if (!state.error_occurred()) g_scratch.containerMethod = method;
    CountBytes(state, g_scratch.fileBytes);
}

void DecryptWholeFile(benchmark::State& state, int method)
{
    if (!EnsurePlainFile(state)) return;
    Engine engine;
    if (g_scratch.containerMethod != method) {
        if (const int result = engine.pwd.EncryptFile(g_scratch.plain, method); result != 0) {
            state.SkipWithError(("EncryptFile returned " + std::to_string(result)).c_str());
            return;
        }
        g_scratch.containerMethod = method;
    }
    // A second name for the same container puts the output beside it without copying 256 MiB.
    ::unlink(g_scratch.decryptContainer);
    if (::link(g_scratch.container, g_scratch.decryptContainer) != 0) {
        state.SkipWithError((std::string("link: ") + std::strerror(errno)).c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(g_scratch.decryptOutput);
        state.ResumeTiming();
        if (const int result = engine.pwd.DecryptFile(g_scratch.decryptContainer); result != 0) {
            state.SkipWithError(("DecryptFile returned " + std::to_string(result)).c_str());
            break;
        }
    }
    ::unlink(g_scratch.decryptOutput);
    ::unlink(g_scratch.decryptContainer);
    CountBytes(state, g_scratch.fileBytes);
}

struct Method
{
    const char* name;
    int code;
};
constexpr Method kMethods[] = {{"idea", kMethodIdea}, {"des", kMethodDes}, {"3xdes", kMethodTripleDes}};

void RegisterAll()
{
    // Three repetitions, reported by their median: ours and OpenSSL's are close, and the machine
    // may be shared.
    const auto small = [](const char* name, auto&&... args) {
        benchmark::RegisterBenchmark(name, args...)->Repetitions(3)->ReportAggregatesOnly(true);
    };
    small("cbc_encrypt/des/kelvane", DesCbc, true);
    small("cbc_encrypt/des/openssl", OpenSslCbc, "DES-CBC", true);
    small("cbc_encrypt/3xdes/kelvane", TripleDesCbc, true);
    small("cbc_encrypt/3xdes/openssl", OpenSslCbc, "DES-EDE3-CBC", true);
    small("cbc_encrypt/idea/kelvane", IdeaCbc, true);
    small("cbc_decrypt/des/kelvane", DesCbc, false);
    small("cbc_decrypt/3xdes/kelvane", TripleDesCbc, false);
    small("cbc_decrypt/idea/kelvane", IdeaCbc, false);
    // The many-block paths: the widest level the CPU runs, and the portable one.
    small("cbc_decrypt/des/wide", DesCbcWide, SimdBestLevel());
    small("cbc_decrypt/des/portable", DesCbcWide, SimdLevel::Portable);
    small("cbc_decrypt/des/openssl", OpenSslCbc, "DES-CBC", false);
    small("cbc_decrypt/3xdes/wide", TripleDesCbcWide, SimdBestLevel());
    small("cbc_decrypt/3xdes/portable", TripleDesCbcWide, SimdLevel::Portable);
    small("cbc_decrypt/3xdes/openssl", OpenSslCbc, "DES-EDE3-CBC", false);
    small("cbc_decrypt/idea/wide", IdeaCbcWide, SimdBestLevel());
    small("cbc_decrypt/idea/portable", IdeaCbcWide, SimdLevel::Portable);
    small("checksum/UpdateChecksum", Checksum);

    // Each whole-file run takes seconds; two runs each keep `make bench` within minutes.
    for (const Method& m : kMethods) {
        benchmark::RegisterBenchmark((std::string("file_encrypt/") + m.name).c_str(), EncryptWholeFile, m.code)
            ->Iterations(2)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("file_decrypt/") + m.name).c_str(), DecryptWholeFile, m.code)
            ->Iterations(2)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }

    // The 10,000-entry password database store/recall benchmark comes in its own source file
    // (see CMakeLists.txt) and registers itself.
}

// Set-up before BENCHMARK_MAIN's main runs. Settings come from the environment because that main
// rejects flags it does not know:
//   KELVANE_BENCH_SCRATCH   directory for the whole-file runs (default /dev/shm)
//   KELVANE_BENCH_FILE_MIB  size of their file in MiB (default 256)
const bool g_ready = [] {
    const char* parent = std::getenv("KELVANE_BENCH_SCRATCH");
    if (const char* mib = std::getenv("KELVANE_BENCH_FILE_MIB"); mib != nullptr && std::atoll(mib) > 0)
        g_scratch.fileBytes = std::atoll(mib) << 20;
    if (!SetUpScratch(parent != nullptr && *parent != '\0' ? parent : "/dev/shm"))
        std::fprintf(stderr, "warning: KELVANE_BENCH_SCRATCH path too long; whole-file runs will fail\n");
    // OpenSSL 3 keeps single DES in the legacy provider; naming one provider drops the implicit
    // default, so both are loaded. They stay loaded until the process ends.
    if (OSSL_PROVIDER_load(nullptr, "legacy") == nullptr)
        std::fprintf(stderr, "warning: OpenSSL legacy provider not loaded; no DES-CBC figure\n");
    OSSL_PROVIDER_load(nullptr, "default");
    RegisterAll();
    return true;
}();

} // namespace

BENCHMARK_MAIN();
