// SPDX-License-Identifier: GPL-3.0-or-later
// The window's two file lists for a directory of 10,000 files: reading them (one open per file, an
// icon and a type name per entry) and showing them in the details view, laid out and painted. The
// goal is under one second. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "FileListModel.h"
#include "MainWin.h"
#include "ScriptedInteraction.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kFiles = 10000;
// One in five is a container; the rest spread over common types and names without an extension.
const char* const kSuffixes[] = {".txt", ".pdf", ".jpg", ".doc", ".cpp", ".html", ".zip", ".png", ""};

QString FillDirectory(const QTemporaryDir& dir)
{
    const QByteArray plain(200, 'p');
    const QByteArray container = QByteArray("KV9C") + QByteArray(60, '\0');
    for (int i = 0; i < kFiles; ++i) {
        QString name = QStringLiteral("file%1").arg(i, 5, 10, QLatin1Char('0'));
        const bool crypted = i % 5 == 0;
        name += crypted ? QStringLiteral(".doc.cry") : QString::fromLatin1(kSuffixes[i % 9]);
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly)) return QString();
        file.write(crypted ? container : plain);
    }
    return dir.path();
}

std::unique_ptr<TMainWin> MakeWindow(TKV_ScriptedInteraction& ui, const QString& settingsPath)
{
    TMainWinSetup setup;
    setup.Interaction = &ui;
    setup.OpenSettings = [settingsPath]() -> std::unique_ptr<TKV_SettingsAccess> {
        return std::make_unique<TKV_IniSettings>(settingsPath);
    };
    auto window = std::make_unique<TMainWin>(std::move(setup));
    window->resize(1000, 700);
    window->show();
    QCoreApplication::processEvents();
    return window;
}

void BM_ReadFListsDetails(benchmark::State& state)
{
    QTemporaryDir files;
    QTemporaryDir settings;
    const QString settingsPath = settings.filePath(QStringLiteral("crypt file.ini"));
    if (FillDirectory(files).isEmpty() || !QFile::copy(QStringLiteral(KELVANE_DEFAULT_SETTINGS), settingsPath)) {
        state.SkipWithError("cannot prepare the directory");
        return;
    }
    QFile::setPermissions(settingsPath, QFile::ReadOwner | QFile::WriteOwner);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(files.path());
    TKV_ScriptedInteraction ui;
    auto window = MakeWindow(ui, settingsPath);

    for (auto _ : state) {
        window->ReadFLists();
        // What the user waits for: both lists laid out and painted.
        window->Source_ListView->viewport()->repaint();
        window->Crypted_ListView->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.counters["plain"] = window->Source_Model->Count();
    state.counters["crypted"] = window->Crypted_Model->Count();
    state.counters["files/s"] = benchmark::Counter(double(kFiles), benchmark::Counter::kIsIterationInvariantRate);
    window.reset();
    QDir::setCurrent(previous);
}
BENCHMARK(BM_ReadFListsDetails)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window must never write the user's settings.
    qputenv("KELVANE_SETTINGS", QByteArray("/nonexistent/crypt file.ini"));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
