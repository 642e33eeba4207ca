// ztcfg fleet: back up, check and restore the devices of an inventory side by side.
//
// Each exchange runs on a thread of its own with its own core, operator, pages and port:
// the link waits for an answer in a nested event loop, so one event loop cannot hold two
// exchanges. Threads, not child processes: a child costs some 30 ms of processor time to
// start and read its settings, which 32 devices on two cores cannot afford. A thread
// cannot be stopped from outside, so a second Ctrl+C reports and ends the process; only
// this thread writes into DIR, each file whole, so nothing is left half-written.
#include "ztcfg/Fleet.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "common/ZtError.h"
#include "data/DataFile.h"
#include "settings/BuiltInTexts.h"
#include "settings/INITools.h"
#include "settings/Messages.h"
#include "ztcfg/Command.h"
#include "ztcfg/Inventory.h"

const char *const FleetHelp =
    "ztcfg fleet backup INVENTORY DIR [--jobs N] [--json]\n"
    "ztcfg fleet check INVENTORY DIR [--jobs N] [--json]\n"
    "ztcfg fleet restore INVENTORY DIR --yes [--jobs N] [--json]\n"
    "  common: [--ini FILE] [--timeout S] [--language GER|ENG]\n"
    "INVENTORY lists one device a line: NAME PORT [settings=19200,n,8,1] [rows=N] [cols=M];\n"
    "# starts a comment. backup receives each device into DIR/NAME.DAT (replaced whole or\n"
    "not at all), check receives and compares the keys the device exchanges (rows x groups)\n"
    "with DIR/NAME.DAT, writing nothing, restore sends DIR/NAME.DAT to each device.\n"
    "Rows and groups: rows=/cols= of the line, else CountKeyRows/CountKeyCols of the\n"
    "settings (--ini, else the editor's); a device of another shape fails.\n"
    "--jobs: exchanges side by side (default: every device, at most 32).\n"
    "--json prints one report: {\"command\", \"exit\", \"ms\", \"stopped\", \"devices\": "
    "[{\"name\",\n"
    "\"port\", \"result\", \"ms\", \"reason\", \"differences\": [{\"key\", \"file\", "
    "\"device\"}]}]}\n"
    "(backup adds \"changed\" per device). Results: done, equal, differs, failed, file,\n"
    "skipped (not started after Ctrl+C), stopped (cut off by a second Ctrl+C).\n"
    "Ctrl+C lets running exchanges end and starts no more; a second one stops them at once.\n"
    "Exit codes: 0 all done (check: all equal), 1 a device failed, differs or was not\n"
    "done, 2 usage (nothing run), 3 a file problem (before 1).\n";

namespace {

enum Exit { Done = 0, Some = 1, Usage = 2, FileProblem = 3 };
enum class Action { Backup, Check, Restore };
enum class Result { Waiting, Running, Done, Equal, Differs, Failed, File, Skipped, Stopped };
constexpr int MaxJobs = 32;

const char *resultName(Result r)
{
    switch (r) {
    case Result::Waiting:
    case Result::Skipped:
        return "skipped";
    case Result::Running:
    case Result::Stopped:
        return "stopped";
    case Result::Done:
        return "done";
    case Result::Equal:
        return "equal";
    case Result::Differs:
        return "differs";
    case Result::Failed:
        return "failed";
    case Result::File:
        return "file";
    }
    return "";
}

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

struct Difference {
    QString key;
    int file = 0;
    int device = 0;
};

struct Job {
    FleetDevice device;
    int rows = 0; // the shape the exchange used
    int cols = 0;
    Result result = Result::Waiting;
    QString reason;
    QList<Difference> differences;
    bool changed = false;
    qint64 ms = 0;
    std::unique_ptr<QThread> thread;
    // Written by the thread, read here once it has finished.
    CommandOutput output;
    int exit = 0;
    QElapsedTimer clock;
};

class Fleet : public QObject {
public:
    Action action = Action::Backup;
    QString command;
    QString dir;
    QString iniFile, language, timeout;
    int jobs = MaxJobs;
    bool json = false;
    std::vector<Job> all;
    Messages messages;

    int run();
    QString text(const char *key);

private:
    void startNext();
    void start(Job &job);
    void finished(Job &job);
    void conclude(Job &job, const QByteArray &bytes);
    void receivedCheck(Job &job, const QByteArray &bytes);
    void signalled();
    void progress(bool last = false);
    int report();

    QString m_program = QCoreApplication::applicationFilePath();
    std::size_t m_next = 0;
    int m_running = 0;
    int m_signals = 0;
    bool m_tty = ::isatty(STDERR_FILENO) != 0;
    QElapsedTimer m_clock;
    QTimer m_ticker;
};

QString Fleet::text(const char *key)
{
    return BuiltInText(messages, QLatin1String(key));
}

int Fleet::run()
{
    if (::pipe(signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char c;
            if (::read(signalPipe[0], &c, 1) == 1 && m_signals < 2)
                signalled();
        });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sa.sa_flags = SA_RESTART;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    // Qt fills its cache of the program's folder on the first call, unguarded: here, before
    // the exchanges read it side by side.
    QCoreApplication::applicationDirPath();
    m_clock.start();
    if (m_tty) {
        m_ticker.setInterval(200);
        connect(&m_ticker, &QTimer::timeout, this, [this] { progress(); });
        m_ticker.start();
    }
    startNext();
    if (m_running > 0)
        QCoreApplication::exec();
    progress(true);
    const int exit = report();
    if (m_running > 0) {
        // Stopped at once: the threads still waiting on their devices go with the process.
        std::fflush(nullptr);
        std::_Exit(exit);
    }
    return exit;
}

void Fleet::startNext()
{
    while (m_signals == 0 && m_running < jobs && m_next < all.size())
        start(all[m_next++]);
    progress();
    if (m_running == 0)
        QCoreApplication::exit(0);
}

void Fleet::start(Job &job)
{
    job.clock.start();
    const QString stored = QDir(dir).filePath(job.device.name + QStringLiteral(".DAT"));
    // The command refuses a device of another shape itself; without rows=/cols= it takes
    // the settings' shape, as it would on its own.
    QStringList args{
        m_program, QStringLiteral("--port"), job.device.port,     QStringLiteral("--language"),
        language,  QStringLiteral("--json"), QStringLiteral("-q")};
    if (job.device.rows > 0)
        args << QStringLiteral("--rows") << QString::number(job.device.rows);
    if (job.device.cols > 0)
        args << QStringLiteral("--cols") << QString::number(job.device.cols);
    if (!job.device.settings.isEmpty())
        args << QStringLiteral("--settings") << job.device.settings;
    if (!iniFile.isEmpty())
        args << QStringLiteral("--ini") << iniFile;
    if (!timeout.isEmpty())
        args << QStringLiteral("--timeout") << timeout;
    if (action == Action::Restore) {
        // A file that is not a whole data file never reaches the device.
        const QFileInfo info(stored);
        if (!info.isFile()) {
            job.result = Result::File;
            job.reason = FormatMessage(text("Fleet_Missing_Err"), stored);
            return;
        }
        if (info.size() != DataFile::Size) {
            job.result = Result::File;
            job.reason =
                FormatMessage(text("Fleet_Size_Err"), stored, QString::number(info.size()));
            return;
        }
        args << QStringLiteral("send") << stored;
    } else {
        // The received file comes back in the output; this thread writes it.
        args << QStringLiteral("receive") << stored;
    }
    job.result = Result::Running;
    job.thread.reset(QThread::create([&job, args] { job.exit = RunCommand(args, &job.output); }));
    connect(job.thread.get(), &QThread::finished, this, [this, &job] { finished(job); });
    ++m_running;
    job.thread->start();
}

void Fleet::finished(Job &job)
{
    --m_running;
    job.thread->wait();
    job.thread.reset();
    // The command's --json result; one that ended before it has its last message.
    const QJsonObject result = QJsonDocument::fromJson(job.output.out.toUtf8()).object();
    job.ms = result.value(QStringLiteral("ms")).toInteger(job.clock.elapsed());
    job.rows = result.value(QStringLiteral("rows")).toInt();
    job.cols = result.value(QStringLiteral("cols")).toInt();
    if (job.exit != 0 || !result.value(QStringLiteral("ok")).toBool()) {
        job.result = job.exit == FileProblem ? Result::File : Result::Failed;
        // One line in the report, though a message box may have said several.
        job.reason = result.value(QStringLiteral("error")).toString().simplified();
        if (job.reason.isEmpty())
            job.reason = job.output.err.trimmed()
                             .section(QLatin1Char('\n'), -1)
                             .section(QStringLiteral("ztcfg: "), -1);
    } else if (action == Action::Restore) {
        job.result = Result::Done;
    } else {
        conclude(job, job.output.file);
    }
    startNext();
}

// A received device, of the shape the exchange checked: written into DIR or compared.
void Fleet::conclude(Job &job, const QByteArray &bytes)
{
    const QString stored = QDir(dir).filePath(job.device.name + QStringLiteral(".DAT"));
    if (bytes.size() != DataFile::Size) {
        job.result = Result::File;
        job.reason = FormatMessage(text("Fleet_Size_Err"), stored, QString::number(bytes.size()));
        return;
    }
    if (action == Action::Check) {
        receivedCheck(job, bytes);
        return;
    }
    const QFileInfo target(stored);
    if (target.exists() && !target.isFile()) {
        job.result = Result::File;
        job.reason = FormatMessage(text("Fleet_Missing_Err"), stored);
        return;
    }
    QFile old(stored);
    job.changed = !old.open(QIODevice::ReadOnly) || old.readAll() != bytes;
    try {
        DataFileIo().write(stored, bytes); // whole or not at all
    } catch (const ZtError &e) {
        job.result = Result::File;
        job.reason = FormatMessage(text("Fleet_Rename_Err"), stored, e.description());
        return;
    }
    job.result = Result::Done;
}

void Fleet::receivedCheck(Job &job, const QByteArray &bytes)
{
    const QString stored = QDir(dir).filePath(job.device.name + QStringLiteral(".DAT"));
    QFile file(stored);
    if (!QFileInfo(stored).isFile() || !file.open(QIODevice::ReadOnly)) {
        job.result = Result::File;
        job.reason = FormatMessage(text("Fleet_Missing_Err"), stored);
        return;
    }
    const QByteArray kept = file.read(DataFile::Size + 1);
    if (kept.size() != DataFile::Size) {
        job.result = Result::File;
        job.reason = FormatMessage(text("Fleet_Size_Err"), stored, QString::number(file.size()));
        return;
    }
    // Only the keys the device exchanges: a file saved by the editor holds the others too.
    const ButtonRecord a = DataFile::decode(kept), b = DataFile::decode(bytes);
    for (int g = 1; g <= job.cols; ++g)
        for (int r = 1; r <= job.rows; ++r)
            if (a.button(g, r) != b.button(g, r))
                job.differences.push_back(
                    {QString(QLatin1Char(char('A' + g - 1))) + QString::number(r), a.button(g, r),
                     b.button(g, r)});
    job.result = job.differences.isEmpty() ? Result::Equal : Result::Differs;
    if (!job.differences.isEmpty())
        job.reason = FormatMessage(text("Fleet_Differs"), QString::number(job.differences.size()));
}

void Fleet::signalled()
{
    ++m_signals;
    if (m_signals == 1) {
        if (m_tty)
            std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "ztcfg: %s\n",
                     qPrintable(FormatMessage(text("Fleet_Stopping"), QString::number(m_running))));
        startNext();
        return;
    }
    // At once: what the running exchanges bring is not written; the report follows and
    // the process ends with them.
    for (Job &job : all)
        if (job.result == Result::Running)
            job.result = Result::Stopped;
    QCoreApplication::exit(0);
}

void Fleet::progress(bool last)
{
    if (!m_tty)
        return;
    int done = 0, failed = 0, waiting = 0;
    for (const Job &job : all) {
        if (job.result == Result::Waiting)
            ++waiting;
        else if (job.result == Result::Failed || job.result == Result::File ||
                 job.result == Result::Differs)
            ++failed;
        else if (job.result != Result::Running)
            ++done;
    }
    const QString line =
        FormatMessage(text("Fleet_Progress"), QString::number(done), QString::number(failed),
                      QString::number(m_running), QString::number(waiting),
                      QString::number(double(m_clock.elapsed()) / 1000, 'f', 1));
    std::fprintf(stderr, "\r\033[K%s%s", qPrintable(line), last ? "\n" : "");
    std::fflush(stderr);
}

int Fleet::report()
{
    int done = 0, failed = 0, files = 0;
    for (Job &job : all) {
        if (job.result == Result::Waiting)
            job.result = Result::Skipped;
        if (job.result == Result::Skipped)
            job.reason = text("Fleet_Skipped");
        if (job.result == Result::Stopped)
            job.reason = text("Fleet_Stopped");
        if (job.result == Result::Done || job.result == Result::Equal)
            ++done;
        else if (job.result == Result::File)
            ++files;
        else
            ++failed;
    }
    const int exit = files > 0 ? FileProblem : failed > 0 ? Some : Done;
    if (json) {
        QJsonArray devices;
        for (const Job &job : all) {
            QJsonArray differences;
            for (const Difference &d : job.differences)
                differences.append(QJsonObject{{QStringLiteral("key"), d.key},
                                               {QStringLiteral("file"), d.file},
                                               {QStringLiteral("device"), d.device}});
            QJsonObject o{{QStringLiteral("name"), job.device.name},
                          {QStringLiteral("port"), job.device.port},
                          {QStringLiteral("result"), QLatin1String(resultName(job.result))},
                          {QStringLiteral("ms"), job.ms},
                          {QStringLiteral("reason"), job.reason},
                          {QStringLiteral("differences"), differences}};
            if (action == Action::Backup)
                o.insert(QStringLiteral("changed"), job.changed);
            devices.append(o);
        }
        const QJsonObject r{{QStringLiteral("command"), command},
                            {QStringLiteral("exit"), exit},
                            {QStringLiteral("ms"), m_clock.elapsed()},
                            {QStringLiteral("stopped"), m_signals > 0},
                            {QStringLiteral("devices"), devices}};
        std::fputs(QJsonDocument(r).toJson(QJsonDocument::Indented).constData(), stdout);
        return exit;
    }
    qsizetype nameWidth = 4, portWidth = 4;
    for (const Job &job : all) {
        nameWidth = qMax(nameWidth, job.device.name.size());
        portWidth = qMax(portWidth, job.device.port.size());
    }
    QString out;
    for (const Job &job : all) {
        out += QStringLiteral("%1  %2  %3 %4 ms  %5")
                   .arg(job.device.name, int(-nameWidth))
                   .arg(job.device.port, int(-portWidth))
                   .arg(QLatin1String(resultName(job.result)), -7)
                   .arg(job.ms, 6)
                   .arg(job.reason)
                   .trimmed() +
               QLatin1Char('\n');
        for (const Difference &d : job.differences)
            out += QStringLiteral("    %1: %2 -> %3\n").arg(d.key).arg(d.file).arg(d.device);
    }
    out += FormatMessage(text("Fleet_Summary"), QString::number(done), QString::number(all.size()),
                         QString::number(failed), QString::number(files),
                         QString::number(double(m_clock.elapsed()) / 1000, 'f', 1)) +
           QLatin1Char('\n');
    std::fputs(out.toLocal8Bit().constData(), stdout);
    return exit;
}

int usage(const QString &detail)
{
    std::fprintf(stderr, "ztcfg: %s. ztcfg help fleet lists the fleet commands.\n",
                 qPrintable(detail));
    return Usage;
}

// The settings file beside the program, or the installed one, for the message texts.
QString shippedCatalogue()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString &path : {appDir + QStringLiteral("/zteditor.Ini"),
                                appDir + QStringLiteral("/../share/zteditor/zteditor.Ini")})
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    return {};
}

} // namespace

int FleetMain(const QStringList &arguments)
{
    QCommandLineParser p;
    const auto valued = [](const char *name, const char *value) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(value));
    };
    p.addOptions({valued("jobs", "N"), QCommandLineOption(QStringLiteral("yes")),
                  QCommandLineOption(QStringLiteral("json")), valued("ini", "FILE"),
                  valued("timeout", "S"), valued("language", "L")});
    if (!p.parse(arguments))
        return usage(p.errorText());
    const QStringList args = p.positionalArguments(); // "fleet" ACTION INVENTORY DIR
    static const QStringList actions{QStringLiteral("backup"), QStringLiteral("check"),
                                     QStringLiteral("restore")};
    if (args.size() != 4 || !actions.contains(args[1]))
        return usage(QStringLiteral("fleet takes backup, check or restore, an inventory and a "
                                    "folder"));
    Fleet fleet;
    fleet.messages.setLanguage(QStringLiteral("ENG")); // until the settings say otherwise
    fleet.command = args[1];
    fleet.action = Action(actions.indexOf(args[1]));
    fleet.json = p.isSet(QStringLiteral("json"));
    if (fleet.action == Action::Restore && !p.isSet(QStringLiteral("yes")))
        return usage(QStringLiteral("restore replaces the codes of every device in %1; add "
                                    "--yes to go ahead")
                         .arg(args[2]));
    if (fleet.action != Action::Restore && p.isSet(QStringLiteral("yes")))
        return usage(QStringLiteral("--yes belongs to restore"));
    fleet.iniFile = p.value(QStringLiteral("ini"));
    if (!fleet.iniFile.isEmpty() && !QFileInfo(fleet.iniFile).isFile()) {
        std::fprintf(stderr, "ztcfg: %s\n",
                     qPrintable(FormatMessage(fleet.text("Fleet_Missing_Err"), fleet.iniFile)));
        return FileProblem;
    }
    if (!fleet.iniFile.isEmpty())
        fleet.iniFile = QFileInfo(fleet.iniFile).absoluteFilePath();
    fleet.language = p.value(QStringLiteral("language")).trimmed().toUpper();
    if (fleet.language.isEmpty())
        fleet.language = fleet.iniFile.isEmpty()
                             ? QStringLiteral("ENG")
                             : INI_ReadValue(fleet.iniFile, QStringLiteral("Main"),
                                             QStringLiteral("Language"), QStringLiteral("GER"))
                                   .trimmed()
                                   .toUpper();
    if (fleet.language != QLatin1String("GER") && fleet.language != QLatin1String("ENG"))
        return usage(QStringLiteral("--language takes GER or ENG"));
    fleet.messages.setIniFile(fleet.iniFile.isEmpty() ? shippedCatalogue() : fleet.iniFile);
    fleet.messages.setLanguage(fleet.language);
    fleet.timeout = p.value(QStringLiteral("timeout"));
    bool ok = true;
    if (p.isSet(QStringLiteral("timeout")) &&
        (fleet.timeout.toInt(&ok) < 1 || fleet.timeout.toInt() > 3600 || !ok))
        return usage(QStringLiteral("--timeout takes seconds, 1 to 3600"));

    QFile file(args[2]);
    if (!QFileInfo(args[2]).isFile() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "ztcfg: %s\n",
                     qPrintable(FormatMessage(fleet.text("Fleet_Missing_Err"), args[2])));
        return FileProblem;
    }
    const Inventory inventory = ParseInventory(QString::fromUtf8(file.readAll()));
    if (!inventory.problems.isEmpty()) {
        for (const InventoryProblem &problem : inventory.problems)
            std::fprintf(stderr, "ztcfg: %s\n",
                         qPrintable(FormatMessage(fleet.text("Fleet_Inventory_Err"), args[2],
                                                  QString::number(problem.line), problem.reason)));
        return usage(QStringLiteral("%1 was refused; nothing was sent").arg(args[2]));
    }
    fleet.jobs = int(qMin<qsizetype>(inventory.devices.size(), MaxJobs));
    if (p.isSet(QStringLiteral("jobs"))) {
        fleet.jobs = p.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || fleet.jobs < 1 || fleet.jobs > MaxJobs)
            return usage(QStringLiteral("--jobs takes 1 to %1").arg(MaxJobs));
    }

    fleet.dir = QDir::cleanPath(QFileInfo(args[3]).absoluteFilePath());
    if (fleet.action == Action::Backup)
        QDir().mkpath(fleet.dir);
    if (!QFileInfo(fleet.dir).isDir()) {
        std::fprintf(stderr, "ztcfg: %s\n",
                     qPrintable(FormatMessage(fleet.text("Fleet_Missing_Err"), args[3])));
        return FileProblem;
    }
    fleet.all.resize(std::size_t(inventory.devices.size()));
    for (qsizetype i = 0; i < inventory.devices.size(); ++i)
        fleet.all[std::size_t(i)].device = inventory.devices[i];
    return fleet.run();
}
