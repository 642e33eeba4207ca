// ztsoak: the editor against the simulated device for a long run. The device starts an
// exchange every 200 ms slot (each code, split frames and noise mixed in); at the end the
// program must still answer, its memory must have stayed flat after the first minute, its
// log must account for every exchange, and every request must have had exactly the answers
// it is due. Prints the figures; exit code 1 when a criterion fails, 2 when the run could
// not be set up.
#include "SoakAccount.h"
#include "settings/INITools.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <memory>

namespace {

constexpr int SlotMs = 200;         // the device starts an exchange on these boundaries
constexpr int TimerIntervalMs = 20; // the program's receive timer in this run
constexpr int TimeOutSeconds = 1;   // the program's waits in this run
constexpr int AnswerWaitMs = 5000;  // an answer later than this counts as missing
constexpr int AnswerDelayMs = 10;   // the device's time before it answers the program
constexpr int KeyRows = 15, KeyCols = 3;

// One kind of exchange the device starts: the simulator commands, the answer it is due,
// the quiet time the program needs afterwards before the next frame may arrive (frames
// that arrive within one receive-timer interval are collected in one go, which would merge
// their log entries), and the log entries it adds, by catalogue key.
struct Kind {
    QString name;
    QStringList commands;
    int answer = -1; // code due from the program, -1: none
    int quietMs = 0;
    QMap<QString, int> log;
};

QList<Kind> kinds()
{
    const QMap<QString, int> answered = {{QStringLiteral("Comm_Receiving_Data"), 1},
                                         {QStringLiteral("Comm_TransmitData_Info"), 1},
                                         {QStringLiteral("Comm_TransferDone"), 1}};
    QMap<QString, int> dataSent = answered;
    dataSent[QStringLiteral("Comm_Receiving_Data")] = 2; // the request, then the ack 86
    dataSent[QStringLiteral("Preparing_DataExchange")] = 1;
    dataSent[QStringLiteral("Comm_Waiting_For_Answer")] = 1;
    dataSent[QStringLiteral("Comm_Data_Sent")] = 1;
    QMap<QString, int> dataReceived = answered;
    dataReceived[QStringLiteral("Comm_Data_Received")] = 1;
    const QMap<QString, int> received = {{QStringLiteral("Comm_Receiving_Data"), 1}};
    QMap<QString, int> unknown = received;
    unknown[QStringLiteral("Comm_InterpretCommand_Err")] = 1;
    QMap<QString, int> noise = answered;
    noise[QStringLiteral("Comm_Bytes_Dropped")] = 1;
    const QMap<QString, int> burst = {{QStringLiteral("Comm_Bytes_Dropped"), 1}};

    // Quiet times: after an answer, six receive-timer intervals; after a data block the
    // program still interprets the device's acknowledgement; without an answer the device
    // cannot see when the program is done.
    const int Answered = 120, DataSent = 200 + AnswerDelayMs, Silent = 250;
    return {
        {QStringLiteral("online-test"), {QStringLiteral("online-test")}, 0x81, Answered, answered},
        {QStringLiteral("version"), {QStringLiteral("version")}, 0x83, Answered, answered},
        {QStringLiteral("request-data"),
         {QStringLiteral("request-data")},
         0x85,
         DataSent,
         dataSent},
        {QStringLiteral("send-data"), {QStringLiteral("send-data")}, 0x86, Answered, dataReceived},
        {QStringLiteral("reset"), {QStringLiteral("reset")}, 0x88, Answered, answered},
        {QStringLiteral("acu"), {QStringLiteral("acu 7.%1")}, -1, Silent, received},
        // The frame cut in two with a pause longer than the receive timer between the halves.
        {QStringLiteral("split-online-test"),
         {QStringLiteral("raw 80"), QStringLiteral("sleep 45"), QStringLiteral("raw 0D")},
         0x81,
         Answered,
         answered},
        {QStringLiteral("split-version"),
         {QStringLiteral("raw 82"), QStringLiteral("sleep 30"), QStringLiteral("raw 0D")},
         0x83,
         Answered,
         answered},
        {QStringLiteral("unknown-code"), {QStringLiteral("raw 8F 0D")}, -1, Silent, unknown},
        {QStringLiteral("request-other-kind"),
         {QStringLiteral("request-data 21")},
         -1,
         Silent,
         received},
        // Line noise in front of a frame: dropped, the frame behind it answered.
        {QStringLiteral("noise"), {QStringLiteral("raw %1 80 0D")}, 0x81, Answered, noise},
        // A burst of noise alone between exchanges.
        {QStringLiteral("noise-burst"), {QStringLiteral("raw %1")}, -1, Silent, burst},
    };
}

// The order in which the device runs the kinds, again and again.
const int Cycle[] = {0, 11, 1, 2, 3, 6, 4, 5, 11, 0, 8, 1, 9, 3, 11, 7, 0, 2, 4, 10, 0, 11, 5, 1};

double mb(qint64 kb)
{
    return double(kb) / 1024.0;
}

class Soak {
public:
    Soak(QString binDir, QString installDir, int seconds)
        : m_binDir(std::move(binDir)), m_installDir(std::move(installDir)), m_seconds(seconds),
          m_kinds(kinds())
    {
    }

    int run();

private:
    struct Exchange {
        int kind = 0;
        qsizetype firstLine = 0;
        qint64 startedMs = 0;
        qint64 answeredMs = -1;
        bool final = false;
    };

    bool prepareFolder();
    bool startSimulator();
    bool startEditor();
    bool waitForPortOpen();
    void readSimulator();
    void tick();
    void startExchange(int kind, bool final);
    void sampleMemory();
    void endEditor();
    int report();
    QString dir(const QString &name) const { return m_dir.filePath(name); }

    QString m_binDir, m_installDir;
    int m_seconds;
    QList<Kind> m_kinds;
    QTemporaryDir m_dir;
    QProcess m_sim, m_editor;
    QByteArray m_simPartial;
    QStringList m_simLines;
    std::unique_ptr<QFile> m_simOut;
    QElapsedTimer m_clock; // from the start of the exchanges
    QElapsedTimer m_editorClock;
    QList<Exchange> m_exchanges;
    qint64 m_nextStartMs = -1; // the slot of the next exchange, -1: not chosen yet
    bool m_finalDone = false;
    int m_cyclePos = 0;
    QList<MemorySample> m_memory;
    qint64 m_startKb = -1;
    QStringList m_failures;
    bool m_ending = false;
    QString m_editorExit;
};

bool Soak::prepareFolder()
{
    if (!m_dir.isValid())
        return false;
    const QString ini = dir(QStringLiteral("zteditor.Ini"));
    for (const QString &name : {QStringLiteral("zteditor.Ini"), QStringLiteral("zteditor.Chn"),
                                QStringLiteral("zteditor.Dat")})
        if (!QFile::copy(QDir(m_installDir).filePath(name), dir(name))) {
            std::fprintf(stderr, "ztsoak: cannot copy %s from %s\n", qPrintable(name),
                         qPrintable(m_installDir));
            return false;
        }
    if (!QFile::copy(QDir(m_binDir).filePath(QStringLiteral("zteditor")),
                     dir(QStringLiteral("zteditor")))) {
        std::fprintf(stderr, "ztsoak: no zteditor in %s\n", qPrintable(m_binDir));
        return false;
    }
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    const QString main = QStringLiteral("Main"), comm = QStringLiteral("Comm");
    const QList<std::array<QString, 3>> values = {
        {main, QStringLiteral("Language"), QStringLiteral("GER")},
        {main, QStringLiteral("WriteLogFile"), QStringLiteral("yes")},
        {main, QStringLiteral("Debug"), QStringLiteral("yes")},
        {main, QStringLiteral("ShowMsgBox"), QStringLiteral("no")},
        {main, QStringLiteral("RequestStatus"), QStringLiteral("no")},
        {main, QStringLiteral("RequestData"), QStringLiteral("no")},
        {main, QStringLiteral("LoadAtStartup_Default"), QStringLiteral("zteditor.Dat")},
        {main, QStringLiteral("ProductVersion"), QStringLiteral("*ZT")},
        {main, QStringLiteral("CountKeyRows"), QString::number(KeyRows)},
        {main, QStringLiteral("CountKeyCols"), QString::number(KeyCols)},
        {comm, QStringLiteral("Port"), QStringLiteral("1")},
        {comm, QStringLiteral("Settings"), QStringLiteral("19200,N,8,1")},
        {comm, QStringLiteral("TimeOut"), QString::number(TimeOutSeconds)},
        {comm, QStringLiteral("TimerInterval"), QString::number(TimerIntervalMs)},
        {comm, QStringLiteral("ShowCancelDialog"), QStringLiteral("yes")},
        {comm, QStringLiteral("Debug"), QStringLiteral("0")},
        {QStringLiteral("Ports"), QStringLiteral("COM1"), dir(QStringLiteral("ztdev"))},
    };
    for (const auto &v : values)
        if (!INI_WriteValue(ini, v[0], v[1], v[2]))
            return false;
    return true;
}

bool Soak::startSimulator()
{
    m_simOut = std::make_unique<QFile>(dir(QStringLiteral("ztdevsim.out")));
    if (!m_simOut->open(QIODevice::WriteOnly))
        return false;
    QObject::connect(&m_sim, &QProcess::readyReadStandardOutput, [this] { readSimulator(); });
    m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sim.start(QDir(m_binDir).filePath(QStringLiteral("ztdevsim")),
                {QStringLiteral("--pty"), dir(QStringLiteral("ztdev")), QStringLiteral("--cols"),
                 QString::number(KeyCols), QStringLiteral("--rows"), QString::number(KeyRows),
                 // Every frame of the device in pieces, as a slow line delivers it.
                 QStringLiteral("--split"), QStringLiteral("24"), QStringLiteral("--gap"),
                 QStringLiteral("3"),
                 // A fast device: its answer often arrives while the program is still in its
                 // transmit loop, which must leave it for the wait that follows.
                 QStringLiteral("--delay"), QString::number(AnswerDelayMs),
                 QStringLiteral("--data"), dir(QStringLiteral("zteditor.Dat"))});
    if (!m_sim.waitForStarted(10000))
        return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && !QFileInfo(dir(QStringLiteral("ztdev"))).isSymLink())
        m_sim.waitForReadyRead(100);
    return QFileInfo(dir(QStringLiteral("ztdev"))).isSymLink();
}

bool Soak::startEditor()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_editor.setProcessEnvironment(env);
    m_editor.setWorkingDirectory(m_dir.path());
    m_editor.setStandardOutputFile(dir(QStringLiteral("zteditor.out")));
    m_editor.setStandardErrorFile(dir(QStringLiteral("zteditor.out")), QIODevice::Append);
    QObject::connect(&m_editor, &QProcess::finished, [this](int code, QProcess::ExitStatus st) {
        m_editorExit = st == QProcess::CrashExit ? QStringLiteral("crashed")
                                                 : QStringLiteral("exit code %1").arg(code);
        if (!m_ending) {
            m_failures << QStringLiteral("the editor ended during the run (%1)").arg(m_editorExit);
            QCoreApplication::exit(1);
        }
    });
    m_editor.start(dir(QStringLiteral("zteditor")), {});
    m_editorClock.start();
    return m_editor.waitForStarted(10000);
}

// The program opens its port once its main window is first shown: seen here as the
// pseudo-terminal among the program's open files.
bool Soak::waitForPortOpen()
{
    const QString slave = QFileInfo(dir(QStringLiteral("ztdev"))).symLinkTarget();
    const QString fds = QStringLiteral("/proc/%1/fd").arg(m_editor.processId());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000 && m_editor.state() == QProcess::Running) {
        for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == slave)
                return true;
        m_editor.waitForFinished(100);
        QCoreApplication::processEvents();
    }
    return false;
}

void Soak::readSimulator()
{
    const QByteArray bytes = m_sim.readAllStandardOutput();
    m_simOut->write(bytes);
    m_simOut->flush();
    m_simPartial += bytes;
    qsizetype end;
    while ((end = m_simPartial.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(m_simPartial.left(end));
        m_simPartial.remove(0, end + 1);
        m_simLines << line;
        const SimEvent e = parseSimLine(line);
        if (e.kind == SimEvent::In && !m_exchanges.isEmpty()) {
            Exchange &x = m_exchanges.last();
            if (x.answeredMs < 0 && e.code == m_kinds[x.kind].answer)
                x.answeredMs = m_clock.elapsed();
        }
    }
}

void Soak::startExchange(int kind, bool final)
{
    Exchange x;
    x.kind = kind;
    x.firstLine = m_simLines.size();
    x.startedMs = m_clock.elapsed();
    x.final = final;
    m_exchanges << x;
    for (QString command : m_kinds[kind].commands) {
        if (command.contains(QLatin1String("%1"))) {
            if (m_kinds[kind].name.startsWith(QLatin1String("noise"))) {
                // Printable noise, as a line picks up: never a command byte or terminator.
                const bool burst = m_kinds[kind].name == QLatin1String("noise-burst");
                QStringList bytes;
                for (int i = 0; i < (burst ? 256 : 1 + m_exchanges.size() % 5); ++i)
                    bytes << QString::number(0x21 + (m_exchanges.size() * 7 + i * 13) % 90, 16);
                command = command.arg(bytes.join(QLatin1Char(' ')).toUpper());
            } else {
                command = command.arg(m_exchanges.size() % 10);
            }
        }
        m_sim.write(command.toLocal8Bit() + '\n');
    }
}

void Soak::tick()
{
    readSimulator();
    const qint64 now = m_clock.elapsed();
    if (!m_exchanges.isEmpty()) {
        const Exchange &x = m_exchanges.last();
        const Kind &k = m_kinds[x.kind];
        qint64 done;
        if (k.answer < 0)
            done = x.startedMs; // nothing to see; the quiet time covers the program's work
        else if (x.answeredMs >= 0)
            done = x.answeredMs;
        else if (now - x.startedMs >= AnswerWaitMs)
            done = x.startedMs + AnswerWaitMs + TimeOutSeconds * 1000; // missing: let the
                                                                       // program's waits run out
        else
            return;
        if (now < done + k.quietMs)
            return;
        if (x.final) {
            m_finalDone = true;
            QCoreApplication::exit(0);
            return;
        }
    }
    if (m_nextStartMs < 0)
        m_nextStartMs = (now + SlotMs - 1) / SlotMs * SlotMs;
    if (now < m_nextStartMs)
        return;
    m_nextStartMs = -1;
    if (now >= qint64(m_seconds) * 1000) {
        startExchange(0, true); // the closing online test
        return;
    }
    startExchange(Cycle[m_cyclePos], false);
    m_cyclePos = (m_cyclePos + 1) % int(std::size(Cycle));
}

void Soak::sampleMemory()
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_editor.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return;
    const qint64 kb = vmRssKb(QString::fromLatin1(status.readAll()));
    if (kb < 0)
        return;
    m_memory << MemorySample{double(m_clock.elapsed()) / 1000.0, kb};
    const int second = int(m_memory.size());
    if (second % 60 == 0)
        std::printf("  %3d:%02d  %5lld exchanges, VmRSS %.1f MB\n", second / 60, second % 60,
                    qlonglong(m_exchanges.size()), mb(kb));
    std::fflush(stdout);
}

void Soak::endEditor()
{
    m_ending = true;
    if (m_editor.state() != QProcess::Running)
        return;
    QElapsedTimer t;
    t.start();
    ::kill(pid_t(m_editor.processId()), SIGTERM);
    if (m_editor.waitForFinished(15000)) {
        std::printf("editor ended on SIGTERM after %lld ms (%s)\n", qlonglong(t.elapsed()),
                    qPrintable(m_editorExit));
    } else {
        std::printf("editor did not end within 15 s of SIGTERM; killed\n");
        m_editor.kill();
        m_editor.waitForFinished(5000);
    }
}

int Soak::run()
{
    if (!prepareFolder() || !startSimulator()) {
        std::fprintf(stderr, "ztsoak: cannot set up the run in %s\n", qPrintable(m_dir.path()));
        return 2;
    }
    if (!startEditor() || !waitForPortOpen()) {
        std::fprintf(stderr, "ztsoak: the editor did not open its port within 60 s; see %s\n",
                     qPrintable(dir(QStringLiteral("zteditor.out"))));
        m_dir.setAutoRemove(false);
        m_editor.kill();
        m_sim.terminate();
        m_sim.waitForFinished(5000);
        return 2;
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(m_editor.processId()));
    if (status.open(QIODevice::ReadOnly))
        m_startKb = vmRssKb(QString::fromLatin1(status.readAll()));
    std::printf("ztsoak: %d s against ztdevsim in %s; editor pid %lld, port open after %lld ms\n",
                m_seconds, qPrintable(m_dir.path()), qlonglong(m_editor.processId()),
                qlonglong(m_editorClock.elapsed()));
    std::fflush(stdout);
    // Bytes the program cleared on opening must not be taken for a request.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        m_sim.waitForReadyRead(50);
    readSimulator();
    m_clock.start();
    QTimer ticker, sampler;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
    QObject::connect(&sampler, &QTimer::timeout, [this] { sampleMemory(); });
    ticker.start(5);
    sampler.start(1000);
    QCoreApplication::exec();
    ticker.stop();
    sampler.stop();
    const double soakSeconds = double(m_clock.elapsed()) / 1000.0;
    endEditor();
    m_sim.write("quit\n");
    if (!m_sim.waitForFinished(5000)) {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
    readSimulator();
    std::printf("ran %.1f s, %.2f exchanges a second\n", soakSeconds,
                double(m_exchanges.size()) / soakSeconds);
    return report();
}

int Soak::report()
{
    // Requests and answers, exchange by exchange, from the simulator's printout.
    QMap<QString, int> started, answered;
    int sent = 0, due = 0, got = 0, unanswered = 0, twice = 0, unexpected = 0, problems = 0;
    QMap<QString, int> logDue;
    QList<double> latencies;
    for (qsizetype i = 0; i < m_exchanges.size(); ++i) {
        const Exchange &x = m_exchanges[i];
        const Kind &k = m_kinds[x.kind];
        const qsizetype last =
            i + 1 < m_exchanges.size() ? m_exchanges[i + 1].firstLine : m_simLines.size();
        const ExchangeTally t =
            tallyExchange(m_simLines.mid(x.firstLine, last - x.firstLine), k.answer);
        ++started[k.name];
        answered[k.name] += t.answers;
        sent += t.sent > 0 ? 1 : 0;
        got += t.answers;
        unexpected += t.unexpected;
        problems += t.problems;
        if (t.answers > 1)
            ++twice;
        if (k.answer >= 0) {
            ++due;
            if (t.answers == 0)
                ++unanswered;
        }
        for (auto it = k.log.begin(); it != k.log.end(); ++it)
            logDue[it.key()] += it.value();
        if (x.answeredMs >= 0)
            latencies << double(x.answeredMs - x.startedMs);
        if (x.final) {
            if (t.answers == 0)
                m_failures << QStringLiteral("the closing online test got no 81");
            else
                std::printf("closing online test: 81 after %lld ms\n",
                            qlonglong(x.answeredMs - x.startedMs));
        }
    }
    std::printf("exchanges started by the device: %lld\n", qlonglong(m_exchanges.size()));
    for (auto it = started.begin(); it != started.end(); ++it)
        std::printf("  %-20s %6d started, %6d answered\n", qPrintable(it.key()), it.value(),
                    answered[it.key()]);
    std::sort(latencies.begin(), latencies.end());
    const auto pct = [&](double p) {
        return latencies.isEmpty() ? 0.0
                                   : latencies[qsizetype(p * double(latencies.size() - 1) + 0.5)];
    };
    std::printf("requests sent %d of %lld; answers due %d, received %d; unanswered %d, answered "
                "twice %d, unexpected frames %d, simulator "
                "problem lines %d\n",
                sent, qlonglong(m_exchanges.size()), due, got, unanswered, twice, unexpected,
                problems);
    std::printf("answer time (request written to answer printed): median %.0f ms, p95 %.0f ms, "
                "max %.0f ms\n",
                pct(0.5), pct(0.95), latencies.isEmpty() ? 0.0 : latencies.last());
    if (sent != m_exchanges.size())
        m_failures << QStringLiteral("%1 request(s) never left the simulator")
                          .arg(m_exchanges.size() - sent);
    if (unanswered > 0)
        m_failures << QStringLiteral("%1 request(s) unanswered").arg(unanswered);
    if (twice > 0)
        m_failures << QStringLiteral("%1 request(s) answered twice").arg(twice);
    if (unexpected > 0)
        m_failures << QStringLiteral("%1 unexpected frame(s) from the editor").arg(unexpected);
    if (problems > 0)
        m_failures << QStringLiteral("%1 simulator problem line(s)").arg(problems);

    // The log: every exchange leaves its entries, and nothing went wrong.
    QString logText;
    const QStringList logs =
        QDir(m_dir.path()).entryList({QStringLiteral("zteditor-*.Log")}, QDir::Files, QDir::Name);
    for (const QString &name : logs) {
        QFile f(dir(name));
        if (f.open(QIODevice::ReadOnly))
            logText += QString::fromUtf8(f.readAll());
    }
    const QStringList entries = logEntries(logText);
    std::printf("log %s: %lld entries\n", qPrintable(logs.join(QStringLiteral(", "))),
                qlonglong(entries.size()));
    for (const QString &key :
         {QStringLiteral("Comm_TransmitData_Err"), QStringLiteral("Comm_TransmitData_Timeout_Err"),
          QStringLiteral("Comm_WaitForData_Err"), QStringLiteral("Comm_WaitForResponse_Err"),
          QStringLiteral("Comm_Checksum_Err"), QStringLiteral("Comm_Cancelled"),
          QStringLiteral("Interpret_HexData_Err"), QStringLiteral("Interpret_MenuCommand_Err")})
        logDue.insert(key, 0);
    const QString ini = dir(QStringLiteral("zteditor.Ini"));
    for (auto it = logDue.begin(); it != logDue.end(); ++it) {
        const QString text = INI_ReadValue(ini, QStringLiteral("Messages_GER"), it.key(), it.key());
        const int count = countEntries(entries, text);
        std::printf("  %-30s %6d of %6d%s\n", qPrintable(it.key()), count, it.value(),
                    count == it.value() ? "" : "  <- differs");
        if (count != it.value())
            m_failures << QStringLiteral("log: %1 entries of %2, %3 due")
                              .arg(count)
                              .arg(it.key())
                              .arg(it.value());
    }

    // Memory after the first minute (a third of a shorter run).
    const double baseline = qMin(60.0, m_seconds / 3.0);
    const MemoryGrowth g = memoryGrowth(m_memory, baseline);
    if (g.baselineAt < 0) {
        m_failures << QStringLiteral("no memory sample after %1 s").arg(baseline);
    } else {
        const double growth = mb(g.peakAfterKb - g.baselineKb);
        std::printf("memory VmRSS: port open %.1f MB, at %.0f s %.1f MB, peak after %.1f MB, "
                    "end %.1f MB; growth after %.0f s %+.2f MB (peak) / %+.2f MB (end), "
                    "limit 5 MB; %lld samples\n",
                    mb(m_startKb), g.baselineAt, mb(g.baselineKb), mb(g.peakAfterKb), mb(g.lastKb),
                    g.baselineAt, growth, mb(g.lastKb - g.baselineKb), qlonglong(m_memory.size()));
        if (g.peakAfterKb - g.baselineKb >= 5 * 1024)
            m_failures << QStringLiteral("memory grew by %1 MB").arg(growth, 0, 'f', 2);
    }
    if (!m_finalDone)
        m_failures << QStringLiteral("the run did not reach its closing online test");

    if (m_failures.isEmpty()) {
        std::printf("\nSOAK PASSED\n");
        return 0;
    }
    m_dir.setAutoRemove(false);
    std::printf("\nSOAK FAILED (files kept in %s):\n", qPrintable(m_dir.path()));
    for (const QString &f : m_failures)
        std::printf("  - %s\n", qPrintable(f));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs zteditor offscreen against ztdevsim, the device starting an "
                       "exchange every 200 ms, and checks answers, log and memory."));
    parser.addHelpOption();
    const QCommandLineOption secondsOpt(QStringLiteral("seconds"),
                                        QStringLiteral("Length of the run (default 600)."),
                                        QStringLiteral("S"), QStringLiteral("600"));
    const QCommandLineOption installOpt(
        QStringLiteral("install"),
        QStringLiteral("Folder of the installation data (default: the copy the build puts next "
                       "to the programs)."),
        QStringLiteral("DIR"));
    parser.addOptions({secondsOpt, installOpt});
    parser.process(app);
    bool ok = false;
    const int seconds = parser.value(secondsOpt).toInt(&ok);
    if (!ok || seconds < 10) {
        std::fprintf(stderr, "ztsoak: --seconds takes 10 or more\n");
        return 2;
    }
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString install = parser.isSet(installOpt) ? parser.value(installOpt) : binDir;
    Soak soak(binDir, QDir(install).absolutePath(), seconds);
    return soak.run();
}
