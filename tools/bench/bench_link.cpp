// The device link against the simulated device on a pseudo-terminal: how long
// an answer takes beyond the receive timer, what a long wait costs in CPU, and
// the overhead of a data request.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Bench.h"
#include "Ser2net.h"
#include "app/CoreContext.h"
#include "app/PageBridge.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "link/Frame.h"
#include "link/QtSerialComm.h"
#include "settings/INITools.h"

namespace {

// Nobody at the desk: every question is answered Yes, nothing is shown.
class SilentOperator : public Operator {
public:
    void setStatus(const QString &, const QString &) override {}
    void messageBox(const QString &, BoxIcon, const QString &) override {}
    bool askYesNo(const QString &, BoxIcon, const QString &) override { return true; }
    void setHourglass(bool) override {}
    QString mainCaption() const override { return QStringLiteral("zteditor"); }
    QString saveFileDialog(const QString &, const QString &, const QString &,
                           const QString &) override
    {
        return {};
    }
    QString openFileDialog(const QString &, const QString &, const QString &,
                           const QString &) override
    {
        return {};
    }
    void showTransferWindow(const QString &, std::function<void()>) override {}
    void hideTransferWindow() override {}
    void showSerialSettings() override {}
    void showProtocol() override {}
    void showAbout() override {}
    void showCommDebug() override {}
    void startSendDataTimer(int) override {}
    FormGeometry *mainWindow() override { return nullptr; }
    void endProgram() override {}
};

class NoPages : public PageBridge {
public:
    void DataSet_FromPages() override {}
    void DataSet_ToPages() override {}
    void FocusTabStrip() override {}
    int selectedTab() const override { return 0; }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[size_t(p * double(v.size() - 1) + 0.5)];
}

// The program's link, wired to the simulator; the end of the interpretation is timed.
struct LinkBench {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QString link = dir.filePath(QStringLiteral("ztdev"));
    SilentOperator op;
    NoPages pages;
    QtSerialComm comm{ini};
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    QProcess sim;
    QElapsedTimer clock;
    qint64 interpretedAtNs = -1;

    bool start(int timerInterval, int timeOut, int cols, int rows,
               const QStringList &simOptions = {})
    {
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QStringLiteral("[Comm]\nPort=1\nSettings=19200,N,8,1\nTimeOut=%"
                               "1\nTimerInterval=%2\n"
                               "ShowCancelDialog=no\n[Ports]\nCOM1=%3\n")
                    .arg(timeOut)
                    .arg(timerInterval)
                    .arg(link)
                    .toLocal8Bit());
        f.close();
        core.zt.setupFlags().ShowMsgBox = false;
        core.zt.setupFlags().CountKeyCols = qint16(cols);
        core.zt.setupFlags().CountKeyRows = qint16(rows);
        core.log.setToFileDisabled(true);
        core.log.setToScreenDisabled(true);
        core.setFrameWatcher([this](const QByteArray &, const QByteArray &) {
            interpretedAtNs = clock.nsecsElapsed();
        });
        sim.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ztdevsim"));
        sim.setArguments(QStringList{QStringLiteral("--pty"), link, QStringLiteral("--cols"),
                                     QString::number(cols), QStringLiteral("--rows"),
                                     QString::number(rows)} +
                         simOptions);
        sim.setStandardOutputFile(QProcess::nullDevice());
        sim.start();
        if (!sim.waitForStarted(5000))
            return false;
        const bool linked =
            Tools::WaitUntil([&] { return QFile::exists(link); }, QDeadlineTimer(5000));
        clock.start();
        return linked && core.comm.Comm_LoadSettings(comm) == 0 && core.comm.Comm_OpenPort();
    }
    ~LinkBench()
    {
        core.comm.Comm_ClosePort();
        sim.terminate();
        sim.waitForFinished(5000);
    }

    // Runs a command; milliseconds from its start to the interpretation of the
    // answer.
    double timed(MenuCommand command)
    {
        interpretedAtNs = -1;
        const qint64 startNs = clock.nsecsElapsed();
        core.menu.Interpret_MenuCommand(command);
        Tools::WaitUntil([&] { return interpretedAtNs >= 0; }, QDeadlineTimer(10000));
        return interpretedAtNs < 0 ? -1 : double(interpretedAtNs - startNs) / 1e6;
    }
};

// Milliseconds beyond the receive timer of each of rounds runs of command; empty when one
// went unanswered.
std::vector<double> beyondTimer(LinkBench &b, MenuCommand command, int timerInterval, int rounds)
{
    std::vector<double> beyond;
    for (int i = 0; i < rounds; ++i) {
        const double ms = b.timed(command);
        if (ms < 0) {
            std::printf("  no answer in round %d\n", i + 1);
            return {};
        }
        beyond.push_back(ms - timerInterval);
    }
    return beyond;
}

bool answerLatency(int timerInterval, int rounds)
{
    LinkBench b;
    if (!b.start(timerInterval, 5, 3, 15)) {
        std::printf("  cannot start the simulator link\n");
        return false;
    }
    std::vector<double> beyond = beyondTimer(b, MenuCommand::OnlineTest, timerInterval, rounds);
    if (beyond.empty())
        return false;
    const double median = percentile(beyond, 0.5), p95 = percentile(beyond, 0.95);
    std::printf("  online test 80 -> 81, TimerInterval %d ms, %d rounds: beyond "
                "the timer "
                "median %.1f ms, p95 %.1f ms (target: median <= 5 ms, p95 <= 20 ms)\n",
                timerInterval, rounds, median, p95);
    return median <= 5 && p95 <= 20;
}

bool waitCost()
{
    LinkBench b;
    if (!b.start(500, 10, 3, 15, {QStringLiteral("--no-answer"), QStringLiteral("80")}))
        return false;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    b.core.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    const double cpuMs = (cpuSeconds() - cpu0) * 1000, wallMs = double(wall.elapsed());
    std::printf("  unanswered online test, TimeOut 10 s: wall %.0f ms, CPU %.1f "
                "ms (%.2f %%) "
                "(target: at most 2 %% of one core)\n",
                wallMs, cpuMs, 100 * cpuMs / wallMs);
    return cpuMs <= 0.02 * wallMs;
}

bool requestOverhead()
{
    const int timerInterval = 50, rounds = 20;
    LinkBench b;
    if (!b.start(timerInterval, 5, 4, 25))
        return false;
    std::vector<double> beyond =
        beyondTimer(b, MenuCommand::RequestDataQuiet, timerInterval, rounds);
    if (beyond.empty())
        return false;
    // 4 request bytes out, 402 data bytes in at 10 bits a character; a
    // pseudo-terminal does not spend this time, a real line at 19200 baud does.
    const double wireMs = (4 + 402) * 10 * 1000.0 / 19200;
    const double median = percentile(beyond, 0.5), p95 = percentile(beyond, 0.95);
    std::printf("  request data, 4 x 25 codes, TimerInterval %d ms, %d rounds: "
                "beyond the timer "
                "median %.1f ms, p95 %.1f ms; a 19200-baud line adds %.0f ms of "
                "wire time "
                "(target: median <= 10 ms)\n",
                timerInterval, rounds, median, p95, wireMs);
    return median <= 10;
}

// Resident memory of a process in kB, 0 when it cannot be read.
qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

bool portOpenBy(qint64 pid, const QString &slave)
{
    for (const QFileInfo &fd :
         QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == slave)
            return true;
    return false;
}

// The installed editor with the shipped settings, [Comm] Debug=1 (the serial
// traffic window open), its port a pseudo-terminal whose device end writes noise
// that never forms a frame at full speed for 8 s; then the online test.
bool flood()
{
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    for (const QString &name : {QStringLiteral("zteditor"), QStringLiteral("zteditor.Ini"),
                                QStringLiteral("zteditor.Chn"), QStringLiteral("zteditor.Dat")})
        if (!QFile::copy(QDir(bin).filePath(name), dir.filePath(name))) {
            std::printf("  flood: %s is not built next to ztbench\n", qPrintable(name));
            return false;
        }
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0)
        return false;
    const QString slave = QString::fromLocal8Bit(ptsname(fd));
    const QList<std::array<const char *, 3>> values = {{"Comm", "Debug", "1"},
                                                       {"Comm", "Port", "1"},
                                                       {"Main", "ShowMsgBox", "no"},
                                                       {"Main", "RequestStatus", "no"},
                                                       {"Main", "RequestData", "no"}};
    for (const auto &v : values)
        INI_WriteValue(ini, QLatin1String(v[0]), QLatin1String(v[1]), QLatin1String(v[2]));
    INI_WriteValue(ini, QStringLiteral("Ports"), QStringLiteral("COM1"), slave);

    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(env);
    editor.setWorkingDirectory(dir.path());
    editor.start(dir.filePath(QStringLiteral("zteditor")), {});
    const auto end = [&] {
        ::kill(pid_t(editor.processId()), SIGTERM);
        if (!editor.waitForFinished(10000))
            editor.kill();
        ::close(fd);
    };
    QElapsedTimer clock;
    clock.start();
    while (!portOpenBy(editor.processId(), slave) && clock.elapsed() < 60000)
        Tools::WaitWithEvents(50);
    Tools::WaitWithEvents(1000); // start-up done, input cleared
    const qint64 before = residentKb(editor.processId());

    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(4711);
    for (char &c : noise) {
        c = char(random.bounded(256));
        if (isCommandByte(c))
            c = 'x';
    }
    qint64 written = 0, peak = before;
    QElapsedTimer sample;
    sample.start();
    clock.restart();
    while (clock.elapsed() < 8000) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 100) > 0) {
            const auto n = ::write(fd, noise.constData() + written % noise.size(),
                                   size_t(noise.size() - written % noise.size()));
            if (n > 0)
                written += n;
        }
        if (sample.elapsed() >= 100) {
            peak = std::max(peak, residentKb(editor.processId()));
            sample.restart();
        }
    }
    clock.restart();
    const char online[] = {char(0x80), '\r'};
    QByteArray got;
    while (::write(fd, online, 2) != 2 && clock.elapsed() < 60000)
        ::poll(nullptr, 0, 10);
    while (!got.contains("\x81\r") && clock.elapsed() < 60000) {
        pollfd p{fd, POLLIN, 0};
        char buf[512];
        if (::poll(&p, 1, 100) > 0) {
            const auto n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
        if (sample.elapsed() >= 100) {
            peak = std::max(peak, residentKb(editor.processId()));
            sample.restart();
        }
    }
    const qint64 answerMs = got.contains("\x81\r") ? clock.elapsed() : -1;
    end();
    const double mbTaken = double(written) / 1e6, growthMb = double(peak - before) / 1024;
    std::printf("  flood, shipped buffer sizes, traffic window open: %.1f MB taken in 8 s "
                "(%.2f MB/s), memory growth %.1f MB, flood end to answered online test "
                "%lld ms (targets: at least 10 MB, growth under 30 MB, answered)\n",
                mbTaken, mbTaken / 8, growthMb, qlonglong(answerMs));
    return mbTaken >= 10 && growthMb < 30 && answerMs >= 0;
}

// The same flood against the link alone, in this process: the port, the receive buffer
// and the collector with the shipped [Comm] values, no window. The device end runs in a
// thread of its own.
bool floodLinkOnly()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    const QString link = dir.filePath(QStringLiteral("ztdev"));
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 ||
        !QFile::link(QString::fromLocal8Bit(ptsname(fd)), link))
        return false;
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("[Comm]\nPort=1\nSettings=19200,N,8,1\nInBufferSize=1024\nOutBufferSize=512\n"
            "TimeOut=10\nTimerInterval=500\nShowCancelDialog=yes\n[Ports]\nCOM1=" +
            link.toLocal8Bit() + "\n");
    f.close();
    SilentOperator op;
    NoPages pages;
    QtSerialComm comm{ini};
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    core.log.setToFileDisabled(true);
    core.zt.setupFlags().ShowMsgBox = false;
    if (core.comm.Comm_LoadSettings(comm) != 0 || !core.comm.Comm_OpenPort()) {
        ::close(fd);
        return false;
    }
    Tools::WaitWithEvents(300);

    std::atomic<qint64> written{0}, answerMs{-1};
    std::atomic<bool> done{false};
    std::thread device([&] {
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(4711);
        for (char &c : noise) {
            c = char(random.bounded(256));
            if (isCommandByte(c))
                c = 'x';
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 8000) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 100) > 0) {
                const qint64 at = written % noise.size();
                const auto n = ::write(fd, noise.constData() + at, size_t(noise.size() - at));
                if (n > 0)
                    written += n;
            }
        }
        clock.restart();
        const char online[] = {char(0x80), '\r'};
        while (::write(fd, online, 2) != 2 && clock.elapsed() < 60000)
            ::poll(nullptr, 0, 10);
        QByteArray got;
        while (!got.contains("\x81\r") && clock.elapsed() < 60000) {
            pollfd p{fd, POLLIN, 0};
            char buf[512];
            if (::poll(&p, 1, 100) > 0) {
                const auto n = ::read(fd, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
        }
        if (got.contains("\x81\r"))
            answerMs = clock.elapsed();
        done = true;
    });
    const qint64 before = residentKb(QCoreApplication::applicationPid());
    qint64 peak = before;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        peak = std::max(peak, residentKb(QCoreApplication::applicationPid()));
    });
    sample.start(100);
    Tools::WaitUntil([&] { return done.load(); }, QDeadlineTimer(80000));
    device.join();
    core.comm.Comm_ClosePort();
    ::close(fd);
    const double mbTaken = double(written) / 1e6, growthMb = double(peak - before) / 1024;
    std::printf("  flood, shipped buffer sizes, link alone (no window): %.1f MB taken in 8 s "
                "(%.2f MB/s), memory growth %.1f MB, flood end to answered online test "
                "%lld ms (targets: at least 10 MB, growth under 30 MB, answered)\n",
                mbTaken, mbTaken / 8, growthMb, qlonglong(answerMs.load()));
    return mbTaken >= 10 && growthMb < 30 && answerMs >= 0;
}

bool benchLink()
{
    ensureApplication();
    if (!QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/ztdevsim"))) {
        std::printf("  ztdevsim is not built next to ztbench\n");
        return false;
    }
    const bool a = answerLatency(50, 40);
    const bool b = answerLatency(500, 10);
    const bool c = waitCost();
    const bool d = requestOverhead();
    const bool e = flood();
    const bool f = floodLinkOnly();
    return a && b && c && d && e && f;
}

BenchRegistration registration("link", benchLink);

// The same online test through ser2net on loopback, raw and RFC 2217, beside the
// direct pseudo-terminal: what a device server adds to an answer.
bool serverLatency()
{
    ensureApplication();
    if (Ser2net::program().isEmpty()) {
        std::printf("  ser2net is not installed: device server figures skipped\n");
        return true;
    }
    const int timerInterval = 50, rounds = 40;
    double directMedian = 0;
    bool met = true;
    for (const QString line : {"direct", "tcp", "rfc2217"}) {
        LinkBench b;
        Ser2net server;
        if (!b.start(timerInterval, 5, 3, 15))
            return false;
        if (line != QLatin1String("direct")) {
            b.core.comm.Comm_ClosePort();
            if (!server.start(line, b.link, b.dir.path())) {
                std::printf("  cannot start ser2net\n");
                return false;
            }
            INI_WriteValue(b.ini, QStringLiteral("Ports"), QStringLiteral("COM1"),
                           server.address());
            if (b.core.comm.Comm_LoadSettings(b.comm) != 0 || !b.core.comm.Comm_OpenPort())
                return false;
        }
        std::vector<double> beyond = beyondTimer(b, MenuCommand::OnlineTest, timerInterval, rounds);
        if (beyond.empty())
            return false;
        const double median = percentile(beyond, 0.5), p95 = percentile(beyond, 0.95);
        std::printf("  online test %-7s TimerInterval %d ms, %d rounds: beyond the "
                    "timer median %.1f ms, p95 %.1f ms\n",
                    qPrintable(line), timerInterval, rounds, median, p95);
        if (line == QLatin1String("direct"))
            directMedian = median;
        else
            met = met && median <= directMedian + 2;
    }
    std::printf("  (target: through ser2net, median within 2 ms of the direct "
                "figure)\n");
    return met;
}

BenchRegistration serverRegistration("link", serverLatency);

} // namespace
