// ztdevsim: a simulated ZT device on a pseudo-terminal or a real serial port, for
// building and testing installations without the hardware.
#include "Device.h"
#include "DeviceLink.h"
#include "PacedLink.h"
#include "app/Instance.h"
#include "common/Tools.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QtEndian>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

// The 210-byte data file: 10 bytes of version text, then 100 little-endian 16-bit codes.
bool readDataFile(const QString &path, ButtonRecord &record, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != 210) {
        error =
            QStringLiteral("%1 holds %2 bytes; a data file holds 210").arg(path).arg(bytes.size());
        return false;
    }
    record.Version.set(Tools::fromCp1252(QByteArrayView(bytes).first(10)));
    for (int k = 0; k < KeyGroups * KeyRows; ++k)
        record.Buttons[k / KeyRows][k % KeyRows] =
            qFromLittleEndian<qint16>(bytes.constData() + 10 + 2 * k);
    return true;
}

// Standard input as command lines, for every device. End of input (or a background job
// that may not read its terminal) only stops reading: the devices run on until quit or a
// signal.
class StdinReader : public QObject {
public:
    StdinReader(std::function<void(const QString &)> command, QObject *parent)
        : QObject(parent), m_command(std::move(command))
    {
        m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { read(); });
    }

private:
    void read()
    {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            return;
        if (n <= 0) {
            m_notifier->setEnabled(false);
            if (!m_line.isEmpty())
                m_command(QString::fromLocal8Bit(m_line));
            return;
        }
        m_line.append(buf, n);
        qsizetype end;
        while ((end = m_line.indexOf('\n')) >= 0) {
            const QByteArray line = m_line.left(end);
            m_line.remove(0, end + 1);
            m_command(QString::fromLocal8Bit(line));
        }
    }

    std::function<void(const QString &)> m_command;
    QSocketNotifier *m_notifier;
    QByteArray m_line;
};

int usageError(const QString &text)
{
    std::fprintf(stderr, "ztdevsim: %s\nztdevsim --help lists the options.\n", qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ztdevsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "A simulated ZT device. It answers the editor's frames as the device does\n"
            "(80->81, 82->83 version info, 84 \"20\"->85 data block, 85->86 checksum,\n"
            "87->88 reset; 89 ACU version and 90 CAN bus address are stored without answer)\n"
            "and starts exchanges of its own on command. Every frame in and out is printed\n"
            "with the time, direction (in/out), the code and terminator in hex with the\n"
            "payload text between them, and its meaning; lines starting\n"
            "with -- are notes, with !! problems.\n\n"
            "Example: ztdevsim --pty /tmp/ztdev </dev/null &   then map the editor's port\n"
            "to it in zteditor.Ini:  [Ports]  COM2=/tmp/ztdev\n\n") +
        QString::fromLatin1(CommandHelp));
    parser.addHelpOption();
    const QCommandLineOption versionOpt(QStringLiteral("version"),
                                        QStringLiteral("The program's version."));
    const QCommandLineOption ptyOpt(
        QStringLiteral("pty"),
        QStringLiteral("Create a pseudo-terminal and a symbolic link PATH to it (a stale link is "
                       "replaced; the link is removed at the end)."),
        QStringLiteral("PATH"));
    const QCommandLineOption portOpt(
        QStringLiteral("port"),
        QStringLiteral("Use the real serial port DEVICE instead, e.g. /dev/ttyUSB0."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption settingsOpt(
        QStringLiteral("settings"),
        QStringLiteral("Line settings for --port (default 19200,N,8,1)."),
        QStringLiteral("BAUD,P,D,S"), QStringLiteral("19200,N,8,1"));
    const QCommandLineOption rowsOpt(
        QStringLiteral("rows"),
        QStringLiteral("Key rows, 1-25, as the editor's CountKeyRows (default 15)."),
        QStringLiteral("N"), QStringLiteral("15"));
    const QCommandLineOption colsOpt(
        QStringLiteral("cols"),
        QStringLiteral("Key groups, 1-4, as the editor's CountKeyCols (default 3)."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption dataOpt(
        QStringLiteral("data"),
        QStringLiteral("Start with the codes of this 210-byte data file; a reset returns to them "
                       "(without it: all codes 0)."),
        QStringLiteral("FILE"));
    const QCommandLineOption status1Opt(
        QStringLiteral("status1"),
        QStringLiteral("Status text 1 (default \"ZT DerUvav Zentrale\")."), QStringLiteral("TEXT"));
    const QCommandLineOption status2Opt(
        QStringLiteral("status2"), QStringLiteral("Status text 2 (default \"Firmware 2.14\")."),
        QStringLiteral("TEXT"));
    const QCommandLineOption status3Opt(
        QStringLiteral("status3"), QStringLiteral("Status text 3 (default \"Seriennr. 004711\")."),
        QStringLiteral("TEXT"));
    const QCommandLineOption scriptOpt(
        QStringLiteral("script"),
        QStringLiteral("Run the commands of FILE first, then those from standard input."),
        QStringLiteral("FILE"));
    const QCommandLineOption delayOpt(QStringLiteral("delay"),
                                      QStringLiteral("Wait MS milliseconds before each answer."),
                                      QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption noAnswerOpt(
        QStringLiteral("no-answer"),
        QStringLiteral("Do not answer frames with this received code, e.g. 84 (repeatable)."),
        QStringLiteral("CODE"));
    const QCommandLineOption badChecksumOpt(
        QStringLiteral("bad-checksum"),
        QStringLiteral("Acknowledge received data blocks with a wrong checksum."));
    const QCommandLineOption splitOpt(
        QStringLiteral("split"),
        QStringLiteral("Send every frame in pieces of N bytes (with --gap between them)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption gapOpt(QStringLiteral("gap"),
                                    QStringLiteral("Milliseconds between the pieces of --split."),
                                    QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption garbageOpt(
        QStringLiteral("garbage"),
        QStringLiteral("Send N random printable bytes before each frame."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption tcpOpt(
        QStringLiteral("tcp"),
        QStringLiteral("Serve the line on TCP port PORT of this host instead, as a device "
                       "server's raw mode does: one client at a time (0: a free port; with "
                       "--count, PORT to PORT+N-1)."),
        QStringLiteral("PORT"));
    const QCommandLineOption countOpt(
        QStringLiteral("count"),
        QStringLiteral("N devices alike, each on its own pseudo-terminal linked as PATH-1 to "
                       "PATH-N, or its own TCP port; commands from standard input go to all "
                       "of them."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption inventoryOpt(
        QStringLiteral("inventory"),
        QStringLiteral("Write a ztcfg fleet inventory of the devices to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption baudOpt(
        QStringLiteral("baud"),
        QStringLiteral("Carry bytes no faster than a serial line of this baud rate, both ways "
                       "(0: as fast as the link goes)."),
        QStringLiteral("BAUD"), QStringLiteral("0"));
    parser.addOptions({ptyOpt,         portOpt,    settingsOpt, rowsOpt,    colsOpt,  dataOpt,
                       status1Opt,     status2Opt, status3Opt,  scriptOpt,  delayOpt, noAnswerOpt,
                       badChecksumOpt, splitOpt,   gapOpt,      garbageOpt, tcpOpt,   countOpt,
                       inventoryOpt,   baudOpt,    versionOpt});
    parser.process(app);
    if (parser.isSet(versionOpt)) {
        std::fputs(qPrintable(VersionText(QStringLiteral("ztdevsim"))), stdout);
        return 0;
    }

    if (int(parser.isSet(ptyOpt)) + int(parser.isSet(portOpt)) + int(parser.isSet(tcpOpt)) != 1)
        return usageError(QStringLiteral("give one of --pty PATH, --port DEVICE, --tcp PORT"));
    auto number = [&](const QCommandLineOption &opt, int low, int high, int &out) {
        bool ok = false;
        out = parser.value(opt).toInt(&ok);
        return ok && out >= low && out <= high;
    };
    int rows = 0, cols = 0;
    FaultOptions faults;
    if (!number(rowsOpt, 1, KeyRows, rows) || !number(colsOpt, 1, KeyGroups, cols))
        return usageError(QStringLiteral("--rows must be 1 to 25 and --cols 1 to 4"));
    if (!number(delayOpt, 0, 600000, faults.delayMs) || !number(gapOpt, 0, 600000, faults.gapMs))
        return usageError(QStringLiteral("--delay and --gap take milliseconds (0 to 600000)"));
    if (!number(splitOpt, 0, 1 << 20, faults.splitBytes) ||
        !number(garbageOpt, 0, 1 << 20, faults.garbageBytes))
        return usageError(QStringLiteral("--split and --garbage take a byte count"));
    int count = 1, baud = 0, tcpPort = 0;
    if (!number(countOpt, 1, 1000, count) || (count > 1 && parser.isSet(portOpt)))
        return usageError(QStringLiteral("--count takes 1 to 1000 devices, with --pty or --tcp"));
    if (parser.isSet(tcpOpt) && !number(tcpOpt, 0, 65535 - count + 1, tcpPort))
        return usageError(QStringLiteral("--tcp takes a port number"));
    if (!number(baudOpt, 0, 4000000, baud))
        return usageError(QStringLiteral("--baud takes a baud rate, 0 to 4000000"));
    faults.badChecksum = parser.isSet(badChecksumOpt);
    for (QString code : parser.values(noAnswerOpt)) {
        code = code.trimmed().toUpper();
        if (code.startsWith(QLatin1String("0X")))
            code = code.mid(2);
        bool ok = false;
        const int value = code.toInt(&ok, 16);
        if (!ok || value < 0x80 || value > 0x90)
            return usageError(
                QStringLiteral("--no-answer takes a code 80 to 90, not \"%1\"").arg(code));
        faults.noAnswer.insert(value);
    }
    ButtonRecord image;
    QString error;
    if (parser.isSet(dataOpt) && !readDataFile(parser.value(dataOpt), image, error))
        return usageError(error);
    QStringList script;
    if (parser.isSet(scriptOpt)) {
        QFile file(parser.value(scriptOpt));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return usageError(
                QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        script = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    }

    // One link per device: PATH itself, or PATH-1 to PATH-N.
    std::vector<std::unique_ptr<DeviceLink>> links;
    QStringList linkPaths;
    for (int n = 1; n <= count; ++n) {
        std::unique_ptr<DeviceLink> link;
        if (parser.isSet(ptyOpt)) {
            const QString path =
                parser.value(ptyOpt) + (count > 1 ? QStringLiteral("-%1").arg(n) : QString());
            auto pty = std::make_unique<PtyLink>();
            if (!pty->open(path, error)) {
                std::fprintf(stderr, "ztdevsim: %s\n", qPrintable(error));
                return 1;
            }
            link = std::move(pty);
            linkPaths << path;
        } else if (parser.isSet(tcpOpt)) {
            auto tcp = std::make_unique<TcpLink>();
            if (!tcp->open(quint16(tcpPort == 0 ? 0 : tcpPort + n - 1), error)) {
                std::fprintf(stderr, "ztdevsim: %s\n", qPrintable(error));
                return 1;
            }
            linkPaths << QStringLiteral("tcp://127.0.0.1:%1").arg(tcp->port());
            link = std::move(tcp);
        } else {
            auto port = std::make_unique<PortLink>();
            if (!port->open(parser.value(portOpt), parser.value(settingsOpt), error)) {
                std::fprintf(stderr, "ztdevsim: %s\n", qPrintable(error));
                return 1;
            }
            link = std::move(port);
            linkPaths << parser.value(portOpt);
        }
        if (baud > 0)
            link = std::make_unique<PacedLink>(link.release(), baud);
        links.push_back(std::move(link));
    }
    // A device's name: its link's file name, or "tcp-PORT".
    const auto nameOf = [](const QString &path) {
        return path.startsWith(QLatin1String("tcp://"))
                   ? QStringLiteral("tcp-") + path.section(QLatin1Char(':'), -1)
                   : QFileInfo(path).fileName();
    };
    if (parser.isSet(inventoryOpt)) {
        // One line a device: its name (the link's file name), port, rows and groups.
        QSaveFile file(parser.value(inventoryOpt));
        QByteArray text = "# written by ztdevsim\n";
        for (const QString &path : linkPaths)
            text += QStringLiteral("%1 %2 rows=%3 cols=%4\n")
                        .arg(nameOf(path), path)
                        .arg(rows)
                        .arg(cols)
                        .toLocal8Bit();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
            return usageError(
                QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    }

    // SIGINT, SIGTERM and SIGHUP end the simulator cleanly (the link is removed);
    // a background job that touches its terminal is not stopped.
    if (::pipe(signalPipe) == 0) {
        QSocketNotifier *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
            say(QStringLiteral("--  signal received; ending"));
            QCoreApplication::exit(0);
        });
        for (const int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, onSignal);
    }
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTTOU, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::unique_ptr<Device>> devices;
    for (std::size_t i = 0; i < links.size(); ++i) {
        auto device = std::make_unique<Device>(*links[i], cols, rows, faults);
        if (count > 1)
            device->setName(nameOf(linkPaths[int(i)]));
        if (parser.isSet(dataOpt))
            device->setResetImage(image);
        const QCommandLineOption *statusOpts[] = {&status1Opt, &status2Opt, &status3Opt};
        for (int n = 1; n <= 3; ++n)
            if (parser.isSet(*statusOpts[n - 1]))
                device->setStatusText(n, parser.value(*statusOpts[n - 1]));
        // Queued: a script may quit before the event loop runs.
        QObject::connect(
            device.get(), &Device::finished, &app, [] { QCoreApplication::exit(0); },
            Qt::QueuedConnection);
        QObject::connect(links[i].get(), &DeviceLink::failed, &app, [](const QString &reason) {
            say(QStringLiteral("!!  ") + reason + QStringLiteral("; ending"));
            QCoreApplication::exit(1);
        });
        say(QStringLiteral("--  ready: %1; %2 group(s) x %3 row(s)")
                .arg(links[i]->description())
                .arg(cols)
                .arg(rows));
        devices.push_back(std::move(device));
    }
    const auto command = [&devices](const QString &line) {
        for (const auto &device : devices)
            device->enqueueCommand(line);
    };
    for (const QString &line : script)
        command(line);
    new StdinReader(command, &app);
    const int rc = app.exec();
    say(QStringLiteral("--  ended"));
    return rc;
}
