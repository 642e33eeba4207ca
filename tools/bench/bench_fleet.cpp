// ztcfg fleet backup of 32 simulated devices on lines paced at 19200 baud, side by side
// and one after the other, against the time one device takes alone.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "Bench.h"

namespace {

constexpr int Devices = 32;
constexpr double TargetFactor = 2;

struct Usage {
    double cpuMs = 0;
    long maxRssKb = 0; // of the largest fleet process waited for so far
};

Usage childUsage()
{
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return {double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
                double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000,
            u.ru_maxrss};
}

// Wall time of one fleet backup in ms; negative when it fails.
double backupMs(const QString &bin, const QStringList &args)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(bin + QStringLiteral("/ztcfg"),
            QStringList{QStringLiteral("fleet"), QStringLiteral("backup")} + args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::printf("  ztcfg fleet backup %s failed:\n%s%s\n",
                    qPrintable(args.join(QLatin1Char(' '))), p.readAllStandardOutput().constData(),
                    p.readAllStandardError().constData());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool benchFleet()
{
    ensureApplication();
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("all"));
    // The simulator's printout goes to a file: unread, a pipe would fill and stall it.
    QProcess sim;
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.start(bin + QStringLiteral("/ztdevsim"),
              {QStringLiteral("--pty"), dir.filePath(QStringLiteral("dev")),
               QStringLiteral("--count"), QString::number(Devices), QStringLiteral("--baud"),
               QStringLiteral("19200"), QStringLiteral("--rows"), QStringLiteral("25"),
               QStringLiteral("--cols"), QStringLiteral("4"), QStringLiteral("--inventory"), all});
    // The inventory is written whole once every device is there.
    for (int i = 0; i < 500 && !QFile::exists(all) && sim.state() != QProcess::NotRunning; ++i)
        QThread::msleep(20);
    QFile inventory(all);
    if (!inventory.open(QIODevice::ReadOnly)) {
        std::printf("  cannot start the simulator (ztdevsim built next to ztbench?)\n");
        return false;
    }
    const QList<QByteArray> lines = inventory.readAll().split('\n');
    QFile one(dir.filePath(QStringLiteral("one")));
    if (!one.open(QIODevice::WriteOnly) || one.write(lines.value(1) + '\n') < 0)
        return false;
    one.close();

    std::vector<double> single;
    for (int i = 0; i < 5; ++i)
        single.push_back(backupMs(bin, {one.fileName(), dir.filePath(QStringLiteral("b1"))}));
    const Usage before = childUsage();
    std::vector<double> wide;
    for (int i = 0; i < 3; ++i)
        wide.push_back(backupMs(bin, {all, dir.filePath(QStringLiteral("b32")),
                                      QStringLiteral("--jobs"), QString::number(Devices)}));
    const Usage after = childUsage();
    const double serial = backupMs(bin, {all, dir.filePath(QStringLiteral("s32")),
                                         QStringLiteral("--jobs"), QStringLiteral("1")});
    sim.terminate();
    sim.waitForFinished(10000);
    if (*std::min_element(single.begin(), single.end()) < 0 ||
        *std::min_element(wide.begin(), wide.end()) < 0 || serial < 0)
        return false;

    const double oneMs = median(single), wideMs = median(wide);
    const bool met = wideMs <= TargetFactor * oneMs;
    std::printf("  one device, 4 x 25 codes at 19200 baud: median %.0f ms of 5 runs\n", oneMs);
    std::printf("  %d devices, --jobs %d: median %.0f ms of 3 runs = %.2f x one device "
                "(target at most %.0f x)%s\n",
                Devices, Devices, wideMs, wideMs / oneMs, TargetFactor, met ? "" : " MISSED");
    std::printf("  %d devices, --jobs 1: %.0f ms (%.0f ms a device)\n", Devices, serial,
                serial / Devices);
    std::printf("  CPU of the fleet process (all its threads), per device: %.1f ms; its peak "
                "memory (ru_maxrss): %.1f MB\n",
                (after.cpuMs - before.cpuMs) / (3 * Devices), double(after.maxRssKb) / 1024);
    return met;
}

BenchRegistration registration("fleet", benchFleet);

} // namespace
