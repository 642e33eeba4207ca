// ztcfg: data files and the device from the command line, on the editor's own core.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTime>

#include <cstdio>
#include <optional>

#include "app/CoreContext.h"
#include "app/ProgramFlags.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "data/ChannelDef.h"
#include "link/Frame.h"
#include "link/QtSerialComm.h"
#include "settings/INITools.h"
#include "ztcfg/ConsoleOperator.h"
#include "ztcfg/Fleet.h"

namespace {

enum Exit { Done = 0, DeviceFailure = 1, UsageFailure = 2, FileFailure = 3 };

const char *const Synopsis =
    "Usage:\n"
    "  ztcfg show FILE.DAT [--channels FILE.Chn] [--language GER|ENG] [--json]\n"
    "  ztcfg diff A.DAT B.DAT [--channels FILE.Chn] [--language GER|ENG]\n"
    "  ztcfg set FILE.DAT GROUP ROW CODE\n"
    "  ztcfg write FILE.DAT --json CODES.json\n"
    "  ztcfg --port PORT [--settings 19200,n,8,1] [--timeout S] [--rows N --cols M]\n"
    "        [--ini FILE] ping | version | receive OUT.DAT | send IN.DAT | reset\n"
    "  ztcfg fleet backup|check|restore INVENTORY DIR [--jobs N] [--json] [--yes]\n"
    "  ztcfg help SUBCOMMAND\n";

const char *const OptionHelp =
    "Options:\n"
    "  --channels FILE   channel definition file: labels beside the codes\n"
    "  --language L      GER or ENG: labels and messages (default: Language of --ini,\n"
    "                    else ENG)\n"
    "  --json            show: print JSON; write: the codes come from this JSON file\n"
    "  --port PORT       a device path (/dev/ttyUSB0), a device server\n"
    "                    (tcp://HOST:PORT, rfc2217://HOST:PORT) or COMn, mapped through\n"
    "                    [Ports] of --ini, else /dev/ttyS(n-1)\n"
    "  --settings S      line settings (default: [Comm] Settings of --ini, else\n"
    "                    19200,n,8,1)\n"
    "  --timeout S       seconds to wait for an answer (default: [Comm] TimeOut, else 10)\n"
    "  --rows N, --cols M  key rows 1-25 and groups 1-4 exchanged with the device\n"
    "                    (default: CountKeyRows/CountKeyCols of --ini, else 25 and 4)\n"
    "  --ini FILE        the editor's settings file: port mapping, line, messages\n"
    "  -q, --quiet       only failures on standard error\n"
    "  -v, --verbose     also every frame, status line and log line\n"
    "  -h, --help        this text\n"
    "Exit codes: 0 done (diff: equal), 1 device or port failure (diff: the files differ),\n"
    "2 usage, 3 file failure.\n";

struct CommandHelp {
    const char *name;
    const char *text;
};
const CommandHelp Commands[] = {
    {"show", "ztcfg show FILE.DAT [--channels FILE.Chn] [--language GER|ENG] [--json]\n"
             "Prints the version text and the 4 x 25 codes, one line per key (GROUP ROW: CODE),\n"
             "with --channels each code's label beside it. --json prints\n"
             "{\"version\": ..., \"codes\": [[25 codes] x 4]} (groups A-D, rows 1-25), plus\n"
             "\"labels\" when channels are given.\n"},
    {"diff", "ztcfg diff A.DAT B.DAT [--channels FILE.Chn] [--language GER|ENG]\n"
             "One line per differing key (GROUP ROW: a -> b), with labels when --channels is\n"
             "given. Exit 1 when the files differ, 0 when they are equal.\n"},
    {"set", "ztcfg set FILE.DAT GROUP ROW CODE\n"
            "Sets one code (GROUP A-D or 1-4, ROW 1-25, CODE 0-32767) and writes the file\n"
            "again; the old file stays whole until the new one is complete.\n"},
    {"write", "ztcfg write FILE.DAT --json CODES.json\n"
              "Writes a data file from {\"codes\": [[25 codes] x 4]} (what show --json prints).\n"},
    {"ping", "ztcfg --port PORT ping\nOnline test: sends 80, expects 81.\n"},
    {"version", "ztcfg --port PORT version\n"
                "Sends 82 and prints the device's three status texts, one a line.\n"},
    {"receive", "ztcfg --port PORT receive OUT.DAT\n"
                "Sends 84 \"20\", acknowledges the device's 85 data block with 86 and its\n"
                "checksum, and writes the codes to a 210-byte data file (codes the block\n"
                "does not hold are 0).\n"},
    {"send", "ztcfg --port PORT send IN.DAT\n"
             "Sends the codes of IN.DAT (rows x groups) as an 85 data block; succeeds only\n"
             "when the device's 86 acknowledges the right checksum.\n"},
    {"reset", "ztcfg --port PORT reset\nSends the system reset 87 and waits for 88.\n"},
    {"fleet", FleetHelp},
};

void out(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

QString groupName(int g)
{
    return QString(QLatin1Char(char('A' + g - 1)));
}

// Everything one run needs, built once.
struct Run {
    QString appDir = QCoreApplication::applicationDirPath();
    QString iniFile;
    QString catalogue;
    QString language = QStringLiteral("ENG");
    ConsoleOperator op;
    HeadlessPages pages;
    std::optional<QtSerialComm> port;
    std::optional<ConsoleLogSink> sink;
    std::optional<CoreContext> core;
    bool quiet = false;

    void build()
    {
        port.emplace(iniFile);
        sink.emplace(op);
        core.emplace(op, pages, *port, appDir, QStringLiteral("ztcfg"), iniFile);
        core->messages.setIniFile(catalogue);
        core->messages.setLanguage(language);
        core->log.setToFileDisabled(true);
        core->log.setTextControl(&*sink);
        // A console shows no success boxes: what went well is the status line.
        core->zt.setupFlags().ShowMsgBox = false;
        core->zt.setupFlags().Language = language;
    }
    QString text(const QString &key, const QString &english)
    {
        return core->messages.text(key, english);
    }
    int usage(const QString &detail)
    {
        QString t = text(QStringLiteral("Cfg_Usage_Err"),
                         QStringLiteral("&. ztcfg --help lists the commands and options."));
        QString d = detail;
        while (d.endsWith(QLatin1Char('.')))
            d.chop(1);
        op.say(FormatMessage(t, d));
        return UsageFailure;
    }
    void info(const QString &text) const
    {
        if (!quiet && !text.isEmpty())
            op.say(text);
    }
    // The record of a data file as the editor loads it; the editor's message on failure.
    std::optional<ButtonRecord> read(const QString &name)
    {
        QString file = name;
        if (!core->zt.ReadFromDisk(file, true, true))
            return std::nullopt;
        return core->zt.data().DataRecord;
    }
    // Writes the record as the editor saves; false (its message shown) on failure.
    bool write(const QString &name, const ButtonRecord &record)
    {
        core->zt.data().DataRecord = record;
        const int before = op.boxes;
        QString file = name;
        core->zt.WriteToDisk(file);
        return op.boxes == before;
    }
};

int helpFor(const QString &name)
{
    for (const CommandHelp &c : Commands)
        if (name == QLatin1String(c.name)) {
            out(QString::fromLatin1(c.text));
            return Done;
        }
    std::fprintf(stderr, "ztcfg: no subcommand \"%s\"\n%s", qPrintable(name), Synopsis);
    return UsageFailure;
}

// The labels of the channel list of the chosen language; an empty list without --channels.
bool readChannels(Run &run, const QString &path, CodeList &channels)
{
    if (path.isEmpty())
        return true;
    if (!QFileInfo(path).isFile()) {
        QString t = run.core->messages.text(QStringLiteral("ReadingData_Err"));
        run.op.say(FormatMessage(t, path));
        return false;
    }
    CodeList canBus;
    const int r = ChannelDef_ReadLists(path, run.language, channels, canBus);
    if (r != 0) {
        run.op.say(path + QStringLiteral(": ") +
                   StartupErrorText(channelDefError(r), run.language));
        return false;
    }
    return true;
}

QString labelOf(Run &run, const CodeList &channels, qint16 code)
{
    if (channels.isEmpty())
        return {};
    if (code == 0)
        return run.core->messages.text(QStringLiteral("NotDefined"));
    for (const CodeEntry &e : channels)
        if (e.hasCode && e.code == code)
            return e.label;
    return {};
}

QString jsonString(const QString &s)
{
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

int show(Run &run, const QString &file, const QString &channelsFile, bool json)
{
    CodeList channels;
    if (!readChannels(run, channelsFile, channels))
        return FileFailure;
    const auto record = run.read(file);
    if (!record)
        return FileFailure;
    const QString version = Tools::Trim(record->Version.text());
    if (json) {
        QStringList codes, labels;
        for (int g = 1; g <= KeyGroups; ++g) {
            QStringList c, l;
            for (int r = 1; r <= KeyRows; ++r) {
                c << QString::number(record->button(g, r));
                l << jsonString(labelOf(run, channels, record->button(g, r)));
            }
            codes << QLatin1Char('[') + c.join(QStringLiteral(", ")) + QLatin1Char(']');
            labels << QLatin1Char('[') + l.join(QStringLiteral(", ")) + QLatin1Char(']');
        }
        QString text = QStringLiteral("{\"version\": %1, \"codes\": [%2]")
                           .arg(jsonString(version), codes.join(QStringLiteral(", ")));
        if (!channelsFile.isEmpty())
            text += QStringLiteral(", \"labels\": [%1]").arg(labels.join(QStringLiteral(", ")));
        out(text + QStringLiteral("}\n"));
        return Done;
    }
    QString text = QStringLiteral("version %1\n").arg(version);
    for (int g = 1; g <= KeyGroups; ++g)
        for (int r = 1; r <= KeyRows; ++r) {
            const qint16 code = record->button(g, r);
            const QString label = labelOf(run, channels, code);
            text += QStringLiteral("%1 %2: %3").arg(groupName(g)).arg(r).arg(code) +
                    (label.isEmpty() ? QString() : QStringLiteral("  ") + label) +
                    QLatin1Char('\n');
        }
    out(text);
    return Done;
}

int diff(Run &run, const QString &a, const QString &b, const QString &channelsFile)
{
    CodeList channels;
    if (!readChannels(run, channelsFile, channels))
        return FileFailure;
    const auto left = run.read(a);
    if (!left)
        return FileFailure;
    const auto right = run.read(b);
    if (!right)
        return FileFailure;
    const auto withLabel = [&](qint16 code) {
        const QString label = labelOf(run, channels, code);
        return QString::number(code) +
               (label.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(label));
    };
    QString text;
    for (int g = 1; g <= KeyGroups; ++g)
        for (int r = 1; r <= KeyRows; ++r)
            if (left->button(g, r) != right->button(g, r))
                text += QStringLiteral("%1 %2: %3 -> %4\n")
                            .arg(groupName(g))
                            .arg(r)
                            .arg(withLabel(left->button(g, r)), withLabel(right->button(g, r)));
    out(text);
    return text.isEmpty() ? Done : DeviceFailure;
}

// A whole number within [lo, hi], or nothing.
std::optional<int> number(const QString &text, int lo, int hi)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// Codes a device accepts: its data block carries no negative code.
constexpr int CodeMax = 32767;

int set(Run &run, const QStringList &args)
{
    const QString g = args[2].trimmed().toUpper();
    static const QString groups = QStringLiteral("ABCD");
    int group = int(groups.indexOf(g)) + 1;
    if (g.size() != 1 || group == 0)
        group = number(g, 1, KeyGroups).value_or(0);
    const auto row = number(args[3], 1, KeyRows);
    const auto code = number(args[4], 0, CodeMax);
    if (group == 0 || !row || !code)
        return run.usage(QStringLiteral("set takes GROUP A-D or 1-4, ROW 1-25 and CODE 0-%1, "
                                        "not \"%2 %3 %4\"")
                             .arg(CodeMax)
                             .arg(args[2], args[3], args[4]));
    auto record = run.read(args[1]);
    if (!record)
        return FileFailure;
    record->button(group, *row) = qint16(*code);
    if (!run.write(args[1], *record))
        return FileFailure;
    run.info(run.op.lastStatus);
    return Done;
}

int writeJson(Run &run, const QString &file, const QString &jsonFile)
{
    const auto fail = [&](const QString &why) {
        QString t = run.text(QStringLiteral("Cfg_Json_Err"),
                             QStringLiteral("The file & does not hold the codes: &"));
        run.op.say(FormatMessage(t, jsonFile, why));
        return FileFailure;
    };
    QFile in(jsonFile);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &error);
    if (doc.isNull())
        return fail(error.errorString());
    const QJsonArray groups = doc.object().value(QStringLiteral("codes")).toArray();
    if (groups.size() != KeyGroups)
        return fail(QStringLiteral("\"codes\" must hold 4 groups of 25 codes"));
    ButtonRecord record;
    for (int g = 1; g <= KeyGroups; ++g) {
        const QJsonArray rows = groups[g - 1].toArray();
        if (rows.size() != KeyRows)
            return fail(QStringLiteral("group %1 must hold 25 codes").arg(groupName(g)));
        for (int r = 1; r <= KeyRows; ++r) {
            const double v = rows[r - 1].toDouble(-1);
            if (!rows[r - 1].isDouble() || v != int(v) || v < 0 || v > CodeMax)
                return fail(QStringLiteral("%1 %2 is not a code 0-%3")
                                .arg(groupName(g))
                                .arg(r)
                                .arg(CodeMax));
            record.button(g, r) = qint16(v);
        }
    }
    if (!run.write(file, record))
        return FileFailure;
    run.info(run.op.lastStatus);
    return Done;
}

// Prints every frame on the line, in either direction, as the device simulator does.
class FrameTrace {
public:
    explicit FrameTrace(const ConsoleOperator &op) : m_op(op) {}
    void feed(const char *direction, QByteArray &buffer, const QByteArray &bytes)
    {
        buffer += bytes;
        qsizetype end;
        while ((end = buffer.indexOf(FrameTerminator)) >= 0) {
            m_op.say(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) +
                     QLatin1String(direction) + frameText(QByteArrayView(buffer).first(end + 1)));
            buffer.remove(0, end + 1);
        }
    }
    QByteArray sent, received;

private:
    const ConsoleOperator &m_op;
};

int device(Run &run, const QCommandLineParser &p, const QStringList &args)
{
    const QString command = args[0];
    const bool withFile = command == QLatin1String("receive") || command == QLatin1String("send");
    if (args.size() != (withFile ? 2 : 1))
        return run.usage(withFile ? QStringLiteral("%1 takes one data file").arg(command)
                                  : QStringLiteral("%1 takes no file").arg(command));
    if (!p.isSet(QStringLiteral("port")))
        return run.usage(QStringLiteral("%1 needs --port PORT").arg(command));
    CoreContext &core = *run.core;
    ProgramFlags &flags = core.zt.setupFlags();
    const int loaded = core.comm.Comm_LoadSettings(*run.port);
    if (loaded != 0) {
        run.op.say(run.iniFile + QStringLiteral(": ") +
                   StartupErrorText(portError(loaded), run.language));
        return FileFailure;
    }
    // The rows and groups in use: the options, else the settings file, else all of them.
    const auto count = [&](const char *option, const char *key, int max) -> std::optional<int> {
        const QString opt = QLatin1String(option);
        QString value = p.value(opt);
        if (!p.isSet(opt))
            value = INI_ReadValue(run.iniFile, QStringLiteral("Main"), QLatin1String(key),
                                  QString::number(max));
        return number(value, 1, max);
    };
    const auto rows = count("rows", "CountKeyRows", KeyRows);
    const auto cols = count("cols", "CountKeyCols", KeyGroups);
    if (!rows || !cols)
        return run.usage(QStringLiteral("--rows must be 1 to 25 and --cols 1 to 4"));
    flags.CountKeyRows = qint16(*rows);
    flags.CountKeyCols = qint16(*cols);
    flags.ProductVersion = INI_ReadValue(run.iniFile, QStringLiteral("Main"),
                                         QStringLiteral("ProductVersion"), flags.ProductVersion);
    if (p.isSet(QStringLiteral("timeout"))) {
        const auto seconds = number(p.value(QStringLiteral("timeout")), 1, 3600);
        if (!seconds)
            return run.usage(QStringLiteral("--timeout takes seconds, 1 to 3600"));
        core.comm.setTimeOut(qint16(*seconds));
        run.port->setConnectTimeOut(*seconds);
    }
    const QString portName = p.value(QStringLiteral("port"));
    try {
        static const QRegularExpression comN(QStringLiteral("^COM(\\d+)$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const auto m = comN.match(portName);
        if (m.hasMatch())
            run.port->setCommPort(m.captured(1).toInt());
        else
            run.port->setDevice(portName);
        if (p.isSet(QStringLiteral("settings")))
            run.port->setSettings(p.value(QStringLiteral("settings")).toUpper());
    } catch (const ZtError &e) {
        return run.usage(e.description());
    }

    std::optional<ButtonRecord> toSend;
    if (command == QLatin1String("send") && !(toSend = run.read(args[1])))
        return FileFailure;
    run.op.prefix = QStringLiteral("ztcfg: %1: ").arg(portName);

    FrameTrace trace(run.op);
    if (run.op.verbose) {
        QObject::connect(&*run.port, &SerialPort::bytesSent,
                         [&](const QByteArray &b) { trace.feed("out ", trace.sent, b); });
        QObject::connect(&*run.port, &SerialPort::bytesReceived,
                         [&](const QByteArray &b) { trace.feed("in  ", trace.received, b); });
    }
    QString lost;
    QObject::connect(&*run.port, &SerialPort::portLost, [&] { lost = run.op.lastStatus; });
    QList<QByteArray> seen;
    core.setFrameWatcher([&](const QByteArray &code, const QByteArray &) { seen << code; });
    run.op.onSendDataTimer = [&] { core.menu.timSendData_Timer(); };

    if (!core.comm.Comm_OpenPort())
        return DeviceFailure;

    // The editor's command, then the answer it waited for is interpreted at once instead
    // of on the receive timer's next tick.
    const auto exchange = [&](MenuCommand menuCommand, const QByteArray &expected) {
        seen.clear();
        core.menu.Interpret_MenuCommand(menuCommand);
        core.comm.Comm_WaitForData();
        return seen.contains(expected);
    };
    const qsizetype logBefore = run.sink->lines.size();
    bool ok = false;
    QByteArray expected;
    if (command == QLatin1String("ping")) {
        ok = exchange(MenuCommand::OnlineTest,
                      expected = Tools::ByteToHex(FrameCode::OnlineTestAnswer));
    } else if (command == QLatin1String("version")) {
        ok =
            exchange(MenuCommand::VersionInfo, expected = Tools::ByteToHex(FrameCode::VersionInfo));
        if (ok)
            for (const auto &t : core.zt.data().TextStatus)
                out(Tools::RTrim(t.text()) + QLatin1Char('\n'));
    } else if (command == QLatin1String("reset")) {
        ok = exchange(MenuCommand::SystemReset, expected = Tools::ByteToHex(FrameCode::ResetDone));
    } else if (command == QLatin1String("send")) {
        core.zt.data().DataRecord = *toSend;
        ok = exchange(MenuCommand::SendData, expected = Tools::ByteToHex(FrameCode::ChecksumAck)) &&
             run.op.lastStatus == Tools::Trim(core.messages.text(QStringLiteral("Comm_Data_Sent")));
    } else {
        ok =
            exchange(MenuCommand::ReceiveData, expected = Tools::ByteToHex(FrameCode::DataBlock)) &&
            run.op.lastStatus ==
                Tools::Trim(core.messages.text(QStringLiteral("Comm_Data_Received")));
        // Codes the editor could not take over leave a partial record: no file of it.
        const QString hexErr = core.messages.text(QStringLiteral("Interpret_HexData_Err"))
                                   .section(QLatin1Char('&'), 0, 0)
                                   .trimmed();
        for (qsizetype i = logBefore; ok && i < run.sink->lines.size(); ++i)
            if (run.sink->lines[i].contains(hexErr)) {
                run.op.say(run.sink->lines[i].mid(run.sink->lines[i].indexOf(hexErr)));
                ok = false;
            }
    }
    const QString result = run.op.lastStatus;
    const bool gone = !lost.isEmpty();
    core.comm.Comm_ClosePort();
    if (!ok) {
        if (gone) {
            run.op.say(lost);
        } else if (!seen.contains(expected)) {
            QString t = core.messages.text(QStringLiteral("Comm_Timeout_Waiting_For_Answer"));
            run.op.say(FormatMessage(t, QString::fromLatin1(expected)));
        }
        return DeviceFailure;
    }
    run.info(result);
    if (command == QLatin1String("receive")) {
        run.op.prefix = QStringLiteral("ztcfg: ");
        if (!run.write(args[1], core.zt.data().DataRecord))
            return FileFailure;
    }
    return Done;
}

// The settings file beside the program, or the installed one, for the message texts.
QString shippedCatalogue(const QString &appDir)
{
    for (const QString &path : {appDir + QStringLiteral("/zteditor.Ini"),
                                appDir + QStringLiteral("/../share/zteditor/zteditor.Ini")})
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ztcfg"));
    if (argc > 1 && qstrcmp(argv[1], "fleet") == 0)
        return FleetMain(QCoreApplication::arguments());

    QCommandLineParser p;
    const auto valued = [](const char *name, const char *value) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(value));
    };
    p.addOptions({valued("channels", "FILE"), valued("language", "L"),
                  QCommandLineOption(QStringLiteral("json")), valued("port", "PORT"),
                  valued("settings", "S"), valued("timeout", "S"), valued("rows", "N"),
                  valued("cols", "M"), valued("ini", "FILE"),
                  QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")}),
                  QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")}),
                  QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})});

    Run run;
    const bool parsed = p.parse(QCoreApplication::arguments());
    run.iniFile = p.value(QStringLiteral("ini"));
    if (!run.iniFile.isEmpty())
        run.iniFile = QFileInfo(run.iniFile).absoluteFilePath();
    const bool iniFound = QFileInfo(run.iniFile).isFile();
    run.catalogue = iniFound ? run.iniFile : shippedCatalogue(run.appDir);
    if (iniFound)
        run.language = INI_ReadValue(run.iniFile, QStringLiteral("Main"),
                                     QStringLiteral("Language"), QStringLiteral("GER"))
                           .trimmed()
                           .toUpper();
    const QString language = p.value(QStringLiteral("language")).trimmed().toUpper();
    if (!language.isEmpty())
        run.language = language;
    run.quiet = p.isSet(QStringLiteral("quiet"));
    run.op.verbose = p.isSet(QStringLiteral("verbose"));
    run.build();

    if (!parsed)
        return run.usage(p.errorText());
    const QStringList args = p.positionalArguments();
    if (p.isSet(QStringLiteral("help")) || args.isEmpty()) {
        out(QString::fromLatin1(Synopsis) + QString::fromLatin1(OptionHelp));
        return args.isEmpty() && !p.isSet(QStringLiteral("help")) ? UsageFailure : Done;
    }
    if (language != QLatin1String("GER") && language != QLatin1String("ENG") && !language.isEmpty())
        return run.usage(QStringLiteral("--language takes GER or ENG"));
    if (!run.iniFile.isEmpty() && !QFileInfo(run.iniFile).isFile()) {
        QString t = run.core->messages.text(QStringLiteral("ReadingData_Err"));
        run.op.say(FormatMessage(t, run.iniFile));
        return FileFailure;
    }

    const QString command = args[0];
    const QString channels = p.value(QStringLiteral("channels"));
    const bool json = p.isSet(QStringLiteral("json"));
    if (command == QLatin1String("help"))
        return args.size() == 2 ? helpFor(args[1]) : run.usage(QStringLiteral("help SUBCOMMAND"));
    if (command == QLatin1String("show") && args.size() == 2)
        return show(run, args[1], channels, json);
    if (command == QLatin1String("diff") && args.size() == 3)
        return diff(run, args[1], args[2], channels);
    if (command == QLatin1String("set") && args.size() == 5)
        return set(run, args);
    if (command == QLatin1String("write") && args.size() == 3 && json)
        return writeJson(run, args[1], args[2]);
    for (const char *name : {"ping", "version", "receive", "send", "reset"})
        if (command == QLatin1String(name))
            return device(run, p, args);
    for (const CommandHelp &c : Commands)
        if (command == QLatin1String(c.name))
            return run.usage(
                QStringLiteral("wrong arguments for %1; see ztcfg help %1").arg(command));
    return run.usage(QStringLiteral("no subcommand \"%1\"").arg(command));
}
