// ztcfg receive and send from process start to exit, on a pseudo-terminal with the
// simulated device answering at once, beside the time the same frames take on the wire.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Bench.h"
#include "Ser2net.h"
#include "data/DataSet.h"
#include "link/Frame.h"

namespace {

constexpr int Rounds = 10;
constexpr double TargetMs = 100;
constexpr int Baud = 19200;
constexpr int BitsPerByte = 10; // start, 8 data bits, stop

double wireMs(const QList<QByteArray> &frames)
{
    qsizetype bytes = 0;
    for (const QByteArray &f : frames)
        bytes += f.size();
    return double(bytes) * BitsPerByte * 1000 / Baud;
}

// Median run time of ztcfg with these arguments; negative when a run fails.
double medianRunMs(const QString &program, const QStringList &args)
{
    std::vector<double> ms;
    for (int i = 0; i < Rounds; ++i) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(program, args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            std::printf("  ztcfg %s failed: %s\n", qPrintable(args.join(QLatin1Char(' '))),
                        p.readAllStandardError().constData());
            return -1;
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

bool benchCli()
{
    ensureApplication();
    const QString bin = QCoreApplication::applicationDirPath();
    if (!QFile::exists(bin + QStringLiteral("/ztcfg")) ||
        !QFile::exists(bin + QStringLiteral("/ztdevsim"))) {
        std::printf("  ztcfg and ztdevsim are not built next to ztbench\n");
        return false;
    }
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ztdev"));
    QProcess sim;
    sim.start(bin + QStringLiteral("/ztdevsim"),
              {QStringLiteral("--pty"), link, QStringLiteral("--rows"), QStringLiteral("25"),
               QStringLiteral("--cols"), QStringLiteral("4")});
    QByteArray simOut;
    while (!simOut.contains("ready") && sim.waitForReadyRead(10000))
        simOut += sim.readAllStandardOutput();
    if (!simOut.contains("ready")) {
        std::printf("  cannot start the simulator\n");
        return false;
    }
    const QString file = dir.filePath(QStringLiteral("ZT.DAT"));
    const QStringList common{QStringLiteral("--port"), link,
                             QStringLiteral("-q"),     QStringLiteral("--rows"),
                             QStringLiteral("25"),     QStringLiteral("--cols"),
                             QStringLiteral("4")};
    const double receive = medianRunMs(bin + QStringLiteral("/ztcfg"),
                                       common + QStringList{QStringLiteral("receive"), file});
    const double send = medianRunMs(bin + QStringLiteral("/ztcfg"),
                                    common + QStringList{QStringLiteral("send"), file});
    // The same program doing nothing but print a help text: what process start costs.
    const double idle = medianRunMs(bin + QStringLiteral("/ztcfg"),
                                    {QStringLiteral("help"), QStringLiteral("send")});
    sim.terminate();
    sim.waitForFinished(10000);
    if (receive < 0 || send < 0 || idle < 0)
        return false;

    const QByteArray payload = dataBlockPayload(ButtonRecord{}, KeyGroups, KeyRows);
    const QByteArray block = makeFrame(FrameCode::DataBlock, payload);
    const QByteArray ack =
        makeFrame(FrameCode::ChecksumAck, checksumAckPayload(Comm_Checksum(payload)));
    const double receiveWire =
        wireMs({makeFrame(FrameCode::DataRequest, DataKindButtons), block, ack});
    const double sendWire = wireMs({block, ack});
    std::printf("  ztcfg receive, 4 x 25 codes, start to exit: median %.1f ms of %d runs "
                "(target < %.0f ms); the frames take %.1f ms on the wire at %d baud\n",
                receive, Rounds, TargetMs, receiveWire, Baud);
    std::printf("  ztcfg send,    4 x 25 codes, start to exit: median %.1f ms of %d runs "
                "(target < %.0f ms); the frames take %.1f ms on the wire at %d baud\n",
                send, Rounds, TargetMs, sendWire, Baud);
    std::printf("  ztcfg help, start to exit (process start alone): median %.1f ms\n", idle);
    return receive < TargetMs && send < TargetMs;
}

BenchRegistration registration("cli", benchCli);

// ztcfg ping, start to exit, on the pseudo-terminal and through ser2net on loopback
// (tcp://, the line's bytes as they are): what a raw device server adds to one call.
bool benchCliServer()
{
    ensureApplication();
    const QString bin = QCoreApplication::applicationDirPath();
    if (Ser2net::program().isEmpty()) {
        std::printf("  ser2net is not installed: raw device server figure skipped\n");
        return true;
    }
    constexpr double TargetExtraMs = 20;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ztdev"));
    QProcess sim;
    sim.start(bin + QStringLiteral("/ztdevsim"), {QStringLiteral("--pty"), link});
    QByteArray simOut;
    while (!simOut.contains("ready") && sim.waitForReadyRead(10000))
        simOut += sim.readAllStandardOutput();
    Ser2net server;
    if (!simOut.contains("ready") || !server.start(QStringLiteral("tcp"), link, dir.path())) {
        std::printf("  cannot start the simulator or ser2net\n");
        return false;
    }
    const auto ping = [&](const QString &port) {
        return medianRunMs(
            bin + QStringLiteral("/ztcfg"),
            {QStringLiteral("--port"), port, QStringLiteral("-q"), QStringLiteral("ping")});
    };
    const double pty = ping(link);
    const double tcp = ping(server.address());
    sim.terminate();
    sim.waitForFinished(10000);
    if (pty < 0 || tcp < 0)
        return false;
    std::printf("  ztcfg ping, start to exit: pseudo-terminal median %.1f ms, tcp:// through "
                "ser2net median %.1f ms of %d runs (target: within %.0f ms of the "
                "pseudo-terminal)\n",
                pty, tcp, Rounds, TargetExtraMs);
    return tcp <= pty + TargetExtraMs;
}

BenchRegistration serverRegistration("cli", benchCliServer);

} // namespace
