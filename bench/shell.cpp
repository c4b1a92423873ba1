// Start-up costs of the application shell: the association check's read (on a
// first run it looks through the machine's whole type database) and the
// settings file's reads and writes.
#include "desktop/FreedesktopAssociation.h"
#include "desktop/SettingsFile.h"
#include "desktop/SettingsKeys.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tirvelo;

namespace {

// The user's folders are empty; the machine's own type database and
// applications are read as they are.
FreedesktopAssociation::Folders freshUser(const QTemporaryDir& dir)
{
    FreedesktopAssociation::Folders folders = FreedesktopAssociation::foldersFromEnvironment();
    folders.dataHome = dir.filePath(QStringLiteral("data"));
    folders.configHome = dir.filePath(QStringLiteral("config"));
    return folders;
}

void BM_ReadAssociationNothingRegistered(benchmark::State& state)
{
    QTemporaryDir dir;
    FreedesktopAssociation store(freshUser(dir));
    for (auto _ : state)
        benchmark::DoNotOptimize(store.ReadAssociation(QStringLiteral("Lumbrix")));
}
BENCHMARK(BM_ReadAssociationNothingRegistered)->Unit(benchmark::kMicrosecond);

void BM_ReadAssociationRegistered(benchmark::State& state)
{
    QTemporaryDir dir;
    FreedesktopAssociation store(freshUser(dir));
    store.WriteAssociation(QStringLiteral("Lumbrix"), QStringLiteral("/usr/bin/tirvelo"));
    for (auto _ : state)
        benchmark::DoNotOptimize(store.ReadAssociation(QStringLiteral("Lumbrix")));
}
BENCHMARK(BM_ReadAssociationRegistered)->Unit(benchmark::kMicrosecond);

// The first registration, cache tools included.
void BM_WriteAssociationFirstTime(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        FreedesktopAssociation store(freshUser(dir));
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.WriteAssociation(QStringLiteral("Lumbrix"), QStringLiteral("/usr/bin/tirvelo")));
    }
}
BENCHMARK(BM_WriteAssociationFirstTime)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SettingsRead(benchmark::State& state)
{
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Quirna2001.ini")));
    settings.write("Altre", "Clau", "valor");
    settings.write(settings::kSection, settings::kLanguageKey, "Castellano");
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.read(settings::kSection, settings::kLanguageKey, settings::kLanguageDefault));
}
BENCHMARK(BM_SettingsRead)->Unit(benchmark::kMicrosecond);

// Each write is flushed to disk before it replaces the file.
void BM_SettingsWrite(benchmark::State& state)
{
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Quirna2001.ini")));
    bool on = false;
    for (auto _ : state) {
        on = !on;
        benchmark::DoNotOptimize(settings.write(settings::kSection, settings::kScanKey,
                                                on ? settings::kScanOn : settings::kScanOff));
    }
}
BENCHMARK(BM_SettingsWrite)->Unit(benchmark::kMicrosecond);

} // namespace
