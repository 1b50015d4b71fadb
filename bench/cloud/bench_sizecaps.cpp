// A reply past its size cap must be refused as soon as the cap is passed,
// whatever the server's speed, with the time-outs far off. Each iteration
// sends one request to a local server that floods an endless body from a
// thread of its own (chunked, or ended by the close) and waits for the
// refusal: the time per iteration is the time from the request to the
// refusal, getting to the cap included. Caps: the API's 4 MiB (firmware
// information), the firmware file's 64 MiB, the manifest's 64 KiB, and the
// installer's, set to 64 MiB here (its 1 GiB would write a gigabyte to disk
// per iteration).
#include "bench/support/BenchmarkRun.h"
#include "cloud/FirmwareApi.h"
#include "cloud/RemoteUpdater.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using FakeApi::Fault;

enum Cap { ApiCap, FirmwareCap, ManifestCap, InstallerCap };

Fault::Framing framingOf(const benchmark::State &state)
{
    return state.range(1) == 1 ? Fault::Framing::Chunked : Fault::Framing::UntilClose;
}

// Waits for the first emission of `spy`; false when none came within a minute.
bool waitFor(QSignalSpy &spy)
{
    return !spy.isEmpty() || spy.wait(60000);
}

void BM_FloodRefused(benchmark::State &state)
{
    const Cap cap = Cap(state.range(0));
    FakeApi::FakeApiServer server;
    if (!server.start()) {
        state.SkipWithError("the local server did not start");
        return;
    }
    const Fault flood = Fault::flood(framingOf(state));
    const QString infoRoute = QStringLiteral("home/common/pcFirmwareInfo");
    const QString manifestRoute = QStringLiteral("home/common/pcUpdate");
    server.setFault(infoRoute, flood);
    server.setFault(manifestRoute, flood);
    server.setFault(QStringLiteral("files/fw.bin"), flood);
    server.setFault(QStringLiteral("files/setup.exe"), flood);

    EarphoneApi::FirmwareApi api;
    api.setBaseUrl(server.baseUrl());
    api.setDefaultTimeoutMs(120000);
    api.setTimeouts({.infoRequestMs = 120000, .downloadDefaultMs = 120000});
    RemoteUpdate::RemoteUpdater updater;
    updater.setAllowHttp(true);
    updater.setManifestUrl(QUrl(server.baseUrl() + manifestRoute));
    updater.setMaxRetries(0);
    updater.setCheckTimeoutMs(120000);
    updater.setDownloadTimeoutMs(120000);
    updater.setMaxInstallerBytes(64 * 1024 * 1024);
    RemoteUpdate::UpdateInfo installer;
    installer.downloadUrl = server.fileUrl(QStringLiteral("setup.exe")).toString();
    installer.sha256 = QString(64, QLatin1Char('0'));

    QString refusal;
    for (auto _ : state) {
        switch (cap) {
        case ApiCap: {
            QSignalSpy failed(&api, &EarphoneApi::FirmwareApi::pcFirmwareInfoFailed);
            api.requestPcFirmwareInfo(QStringLiteral("1"));
            if (!waitFor(failed))
                return state.SkipWithError("no refusal");
            refusal = failed.at(0).at(1).toString();
            break;
        }
        case FirmwareCap:
            refusal = api.downloadFirmware(server.fileUrl(QStringLiteral("fw.bin")), 120000).error;
            break;
        case ManifestCap: {
            QSignalSpy failed(&updater, &RemoteUpdate::RemoteUpdater::checkFailed);
            updater.checkForUpdates();
            if (!waitFor(failed))
                return state.SkipWithError("no refusal");
            refusal = failed.at(0).at(0).toString();
            break;
        }
        case InstallerCap: {
            QSignalSpy failed(&updater, &RemoteUpdate::RemoteUpdater::downloadFailed);
            updater.downloadAndInstall(installer);
            if (!waitFor(failed))
                return state.SkipWithError("no refusal");
            refusal = failed.at(0).at(0).toString();
            break;
        }
        }
    }
    state.SetLabel(refusal.toStdString());
}
BENCHMARK(BM_FloodRefused)
    ->ArgNames({"cap", "chunked"})
    ->ArgsProduct({{ApiCap, FirmwareCap, ManifestCap, InstallerCap}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_cloud_sizecaps"));
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    // Installers go below the cache folder: a private one for the run.
    QTemporaryDir cache;
    if (!cache.isValid())
        return 1;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    return runBenchmarks(argc, argv);
}
