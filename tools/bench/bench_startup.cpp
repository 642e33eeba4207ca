// Start-up of the real program with a large channel definition file: how long from the
// process start until it is ready, and how much memory it holds then. The program is run
// offscreen against the simulated device with Debug set (no minimum splash time) and the
// version request as the last step of its start-up, so the device sees to the millisecond
// when the program gets there: the program shows "ready" as soon as it has read the answer.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include "Bench.h"
#include "data/ChannelDef.h"
#include "settings/INITools.h"

namespace {

constexpr int Rounds = 3;
constexpr int Channels = 50000;

// The build puts the programs and a copy of the shipped settings, channel definitions and
// default data side by side, wherever the build folder is.
QString binDir()
{
    return QCoreApplication::applicationDirPath();
}

// Channels in groups of 100 under a heading (negative code), as a large installation has them.
bool writeChannelFile(const QString &path, int channels)
{
    QByteArray text = "; channel definitions\r\n[DATA_CHAN_GER]\r\n";
    for (int i = 1; i <= channels; ++i) {
        if (i % 100 == 1)
            text += "-" + QByteArray::number(i / 100 + 1) + "=Bereich " +
                    QByteArray::number(i / 100 + 1) + "\r\n";
        text += QByteArray::number(i) + "=Lautsprecher " + QByteArray::number(i) + "\r\n";
    }
    text += "\r\n[DATA_CANBUS_ADDR_GER]\r\n";
    for (int i = 1; i <= 64; ++i)
        text += QByteArray::number(i) + "=Knoten " + QByteArray::number(i) + "\r\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

qint64 vmRssKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Time the process has spent on a CPU so far: unlike the wall clock, a busy machine
// hardly changes it.
double cpuMs(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(0).toDouble() / 1e6;
}

struct StartRun {
    double logMs = -1;   // the log file exists: the program is past its first steps
    double readyMs = -1; // the version request reached the device: the program's last step
                         // before ready, which it shows once it has read the device's answer
    double cpuMs = -1;   // CPU time of the program when it got there
    qint64 rssKb = -1;   // one second after that
};

// One start of the program in a folder of its own, with the channel file given.
bool startOnce(const QString &channelFile, StartRun &run)
{
    QTemporaryDir dir;
    const auto in = [&](const QString &name) { return dir.filePath(name); };
    const QString ini = in(QStringLiteral("zteditor.Ini"));
    if (!QFile::copy(QDir(binDir()).filePath(QStringLiteral("zteditor")),
                     in(QStringLiteral("zteditor"))) ||
        !QFile::copy(QDir(binDir()).filePath(QStringLiteral("zteditor.Ini")), ini) ||
        !QFile::copy(QDir(binDir()).filePath(QStringLiteral("zteditor.Dat")),
                     in(QStringLiteral("zteditor.Dat"))) ||
        !QFile::copy(channelFile, in(QStringLiteral("zteditor.Chn"))))
        return false;
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    const QString main = QStringLiteral("Main"), comm = QStringLiteral("Comm");
    const QList<std::array<QString, 3>> values = {
        {main, QStringLiteral("Language"), QStringLiteral("GER")},
        {main, QStringLiteral("Debug"), QStringLiteral("yes")},
        {main, QStringLiteral("ShowMsgBox"), QStringLiteral("no")},
        {main, QStringLiteral("RequestStatus"), QStringLiteral("yes")},
        {main, QStringLiteral("RequestData"), QStringLiteral("no")},
        {main, QStringLiteral("LoadAtStartup_Default"), QStringLiteral("zteditor.Dat")},
        {main, QStringLiteral("Channel_DataDef"), QStringLiteral("zteditor.Chn")},
        {main, QStringLiteral("ProductVersion"), QStringLiteral("*ZT")},
        {comm, QStringLiteral("Port"), QStringLiteral("1")},
        {comm, QStringLiteral("TimeOut"), QStringLiteral("10")},
        {comm, QStringLiteral("TimerInterval"), QStringLiteral("20")},
        {QStringLiteral("Ports"), QStringLiteral("COM1"), in(QStringLiteral("ztdev"))},
    };
    for (const auto &v : values)
        if (!INI_WriteValue(ini, v[0], v[1], v[2]))
            return false;

    QProcess sim;
    sim.start(QDir(binDir()).filePath(QStringLiteral("ztdevsim")),
              {QStringLiteral("--pty"), in(QStringLiteral("ztdev"))});
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 10000 && !QFileInfo(in(QStringLiteral("ztdev"))).isSymLink())
        sim.waitForReadyRead(20);
    if (!QFileInfo(in(QStringLiteral("ztdev"))).isSymLink())
        return false;
    sim.readAllStandardOutput();

    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(env);
    editor.setWorkingDirectory(dir.path());
    editor.setStandardOutputFile(QProcess::nullDevice());
    editor.setStandardErrorFile(QProcess::nullDevice());
    const QString log = in(QStringLiteral("zteditor-%1.Log"))
                            .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QElapsedTimer clock;
    clock.start();
    editor.start(in(QStringLiteral("zteditor")), {});
    QByteArray printed;
    while (clock.elapsed() < 60000 && run.readyMs < 0 && editor.state() != QProcess::NotRunning) {
        sim.waitForReadyRead(2);
        const double now = double(clock.nsecsElapsed()) / 1e6;
        if (run.logMs < 0 && QFile::exists(log))
            run.logMs = now;
        printed += sim.readAllStandardOutput();
        if (printed.contains(" in  82")) {
            run.readyMs = now;
            run.cpuMs = cpuMs(editor.processId());
        }
    }
    if (run.readyMs >= 0) {
        editor.waitForFinished(1000);
        run.rssKb = vmRssKb(editor.processId());
    }
    if (editor.state() != QProcess::NotRunning) {
        ::kill(pid_t(editor.processId()), SIGTERM);
        if (!editor.waitForFinished(10000)) {
            editor.kill();
            editor.waitForFinished(5000);
        }
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return run.readyMs >= 0 && run.rssKb > 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

bool startupBench()
{
    ensureApplication();
    if (!QFile::exists(QDir(binDir()).filePath(QStringLiteral("zteditor"))) ||
        !QFile::exists(QDir(binDir()).filePath(QStringLiteral("ztdevsim")))) {
        std::printf("  zteditor and ztdevsim are not built next to ztbench\n");
        return false;
    }
    QTemporaryDir files;
    const QString big = files.filePath(QStringLiteral("big.Chn"));
    if (!writeChannelFile(big, 50000))
        return false;

    // The channel file alone, read in this process as start-up reads it.
    QElapsedTimer t;
    t.start();
    CodeList channels, canBus;
    const int result = ChannelDef_ReadLists(big, QStringLiteral("GER"), channels, canBus);
    std::printf("  ChannelDef_ReadLists, 50000 channels in 500 groups: %.0f ms (result %d, %lld "
                "entries)\n",
                double(t.nsecsElapsed()) / 1e6, result, qlonglong(channels.size()));

    std::printf("  %-26s %12s %10s %10s %10s   (median of %d starts)\n", "channel file",
                "log open ms", "ready ms", "CPU ms", "VmRSS MB", Rounds);
    const QString shipped = QDir(binDir()).filePath(QStringLiteral("zteditor.Chn"));
    CodeList shippedChannels;
    ChannelDef_ReadLists(shipped, QStringLiteral("GER"), shippedChannels, canBus);
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("shipped, %1 entries").arg(shippedChannels.size()), shipped},
        {QStringLiteral("50000 channels"), big}};
    bool ok = true;
    for (const auto &[name, path] : cases) {
        std::vector<double> logMs, readyMs, cpu, rssMb;
        for (int i = 0; i < Rounds; ++i) {
            StartRun run;
            if (!startOnce(path, run)) {
                std::printf("  %s: the program did not get ready\n", qPrintable(name));
                ok = false;
                break;
            }
            logMs.push_back(run.logMs);
            readyMs.push_back(run.readyMs);
            cpu.push_back(run.cpuMs);
            rssMb.push_back(double(run.rssKb) / 1024.0);
        }
        if (readyMs.size() == Rounds)
            std::printf("  %-26s %12.0f %10.0f %10.0f %10.1f\n", qPrintable(name), median(logMs),
                        median(readyMs), median(cpu), median(rssMb));
    }
    std::printf("  (times from the process start; no target is set, the figures are reported)\n");
    return ok;
}

// 50 000 channels against 10, five starts of each taken in turn, so both see the same load;
// the wall clock from the process start to its first request on the line.
bool startupRatioBench()
{
    constexpr int Starts = 5;
    constexpr double Target = 1.5;
    ensureApplication();
    QTemporaryDir files;
    const QString small = files.filePath(QStringLiteral("small.Chn"));
    const QString big = files.filePath(QStringLiteral("big.Chn"));
    if (!writeChannelFile(small, 10) || !writeChannelFile(big, Channels))
        return false;
    std::vector<double> smallMs, bigMs, smallCpu, bigCpu;
    for (int i = 0; i < Starts; ++i) {
        StartRun a, b;
        if (!startOnce(small, a) || !startOnce(big, b)) {
            std::printf("  the program did not get ready\n");
            return false;
        }
        smallMs.push_back(a.readyMs);
        bigMs.push_back(b.readyMs);
        smallCpu.push_back(a.cpuMs);
        bigCpu.push_back(b.cpuMs);
    }
    const double ratio = median(bigMs) / median(smallMs);
    std::printf("  %-22s %14s %10s   (median of %d starts each, taken in turn)\n", "channel file",
                "first request", "CPU ms", Starts);
    std::printf("  %-22s %11.0f ms %10.0f\n", "10 channels", median(smallMs), median(smallCpu));
    std::printf("  %-22s %11.0f ms %10.0f\n", "50000 channels", median(bigMs), median(bigCpu));
    std::printf("  ratio %.2f (target at most %.1f)\n", ratio, Target);
    return ratio <= Target;
}

BenchRegistration registration("startup", startupBench);
BenchRegistration ratioRegistration("startratio", startupRatioBench);

} // namespace
