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
#include <QUrl>

#include <QElapsedTimer>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <tuple>

#include "app/CoreContext.h"
#include "app/Instance.h"
#include "app/ProgramFlags.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "data/ChannelDef.h"
#include "link/Frame.h"
#include "link/NetLine.h"
#include "link/QtSerialComm.h"
#include "settings/BuiltInTexts.h"
#include "settings/INITools.h"
#include "ztcfg/Command.h"
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
    "        [--ini FILE] [--json] ping | version | receive OUT.DAT | send IN.DAT | reset\n"
    "  ztcfg fleet backup|check|restore INVENTORY DIR [--jobs N] [--json] [--yes]\n"
    "  ztcfg help SUBCOMMAND\n"
    "  ztcfg --version\n";

const char *const OptionHelp =
    "Options:\n"
    "  --channels FILE   channel definition file: labels beside the codes\n"
    "  --language L      GER or ENG: labels and messages (default: Language of --ini,\n"
    "                    else ENG)\n"
    "  --json            show: print JSON; write: the codes come from this JSON file;\n"
    "                    device commands: one JSON object with the result on standard\n"
    "                    output ({\"command\": \"ping\", \"ok\": true, \"ms\": 12, ...})\n"
    "  --port PORT       a device path (/dev/ttyUSB0), a device server\n"
    "                    (tcp://HOST:PORT, rfc2217://HOST:PORT) or COMn, mapped through\n"
    "                    [Ports] of --ini, else /dev/ttyS(n-1)\n"
    "  --settings S      line settings (default: [Comm] Settings of --ini, else\n"
    "                    19200,n,8,1)\n"
    "  --timeout S       seconds to wait for an answer (default: [Comm] TimeOut, else 10)\n"
    "  --rows N, --cols M  key rows 1-25 and groups 1-4 exchanged with the device\n"
    "                    (default: CountKeyRows/CountKeyCols of the settings file)\n"
    "  --ini FILE        the settings file: port mapping, line, shape, language,\n"
    "                    messages (default: the editor's own: zteditor.Ini beside the\n"
    "                    program, else ~/.config/zteditor/, else the installed one;\n"
    "                    -v names it)\n"
    "  -q, --quiet       only failures on standard error\n"
    "  -v, --verbose     also the settings file, every frame, status line and log line\n"
    "  -h, --help        this text\n"
    "  --version         the program's version\n"
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
                "does not hold are 0). A block of another shape than rows x groups is\n"
                "refused (exit 1, no file). OUT.DAT may be a named pipe, or - for standard\n"
                "output; a folder or device is refused.\n"},
    {"send", "ztcfg --port PORT send IN.DAT\n"
             "Sends the codes of IN.DAT (rows x groups) as an 85 data block; succeeds only\n"
             "when the device's 86 acknowledges the right checksum. A file with a code\n"
             "outside 0-32767 is refused (exit 3): the device could not give it back.\n"},
    {"reset", "ztcfg --port PORT reset\nSends the system reset 87 and waits for 88.\n"},
    {"fleet", FleetHelp},
};

QString groupName(int g)
{
    return QString(QLatin1Char(char('A' + g - 1)));
}

QString keyName(int g, int r)
{
    return groupName(g) + QLatin1Char(' ') + QString::number(r);
}

QString jsonString(const QString &s)
{
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

// The version text every data file carries.
const QString RecordVersion = QStringLiteral("1.0");

// Codes a device accepts: its data block carries no negative code.
constexpr int CodeMax = 32767;

// Options followed by their value; every option may be given once.
const QStringList ValuedOptions{"channels", "language", "port", "settings",
                                "timeout",  "rows",     "cols", "ini"};

std::filesystem::file_type typeOf(const QString &path)
{
    std::error_code ec;
    return std::filesystem::status(QFile::encodeName(path).toStdString(), ec).type();
}

// Everything one run needs, built once.
struct Run {
    QString appDir = QCoreApplication::applicationDirPath();
    QString iniFile; // the settings file in use; empty when there is none
    QString catalogue;
    QString language = QStringLiteral("ENG");
    ConsoleOperator op;
    HeadlessPages pages;
    std::optional<QtSerialComm> port;
    std::optional<ConsoleLogSink> sink;
    std::optional<CoreContext> core;
    bool quiet = false;
    CommandOutput *output = nullptr; // kept there instead of printed

    void out(const QString &text) const
    {
        if (output) {
            output->out += text;
            return;
        }
        std::fputs(text.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
    }

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
    // The catalogue text, else the built-in one of the language in use.
    QString text(const QString &key) { return BuiltInText(core->messages, key); }
    int fail(int exit, const QString &message) const
    {
        op.say(message);
        return exit;
    }
    // A text of ztcfg's own that the settings do not hold, in the language in use.
    QString says(const char *german, const char *english) const
    {
        return QString::fromUtf8(language == QLatin1String("GER") ? german : english);
    }
    int usage(const QString &detail)
    {
        QString t = text(QStringLiteral("Cfg_Usage_Err"));
        QString d = detail;
        while (d.endsWith(QLatin1Char('.')))
            d.chop(1);
        return fail(UsageFailure, FormatMessage(t, d));
    }
    void info(const QString &text) const
    {
        if (!quiet && !text.isEmpty())
            op.say(text);
    }

    // Why an existing path is no data file: a folder, a device, a socket, or a named pipe
    // where none is welcome. Empty for a regular file or nothing there.
    QString notAFile(const QString &path, bool pipeWelcome)
    {
        using std::filesystem::file_type;
        const char *german = nullptr, *english = nullptr;
        switch (typeOf(path)) {
        case file_type::directory:
            german = "ein Ordner", english = "a folder";
            break;
        case file_type::character:
            german = "ein Zeichengerät", english = "a character device";
            break;
        case file_type::block:
            german = "ein Blockgerät", english = "a block device";
            break;
        case file_type::socket:
            german = "ein Socket", english = "a socket";
            break;
        case file_type::fifo:
            if (pipeWelcome)
                return {};
            german = "eine benannte Pipe", english = "a named pipe";
            break;
        default:
            return {};
        }
        const QString kind = QString::fromUtf8(language == QLatin1String("GER") ? german : english);
        return FormatMessage(text(QStringLiteral("Cfg_Not_A_File")), path, kind);
    }

    // The record of a 210-byte data file of version 1.0; its failure said otherwise.
    std::optional<ButtonRecord> read(const QString &name)
    {
        const QFileInfo info(name);
        if (!info.exists()) {
            op.say(FormatMessage(text(QStringLiteral("ReadingData_Err")), name));
            return std::nullopt;
        }
        if (const QString why = notAFile(name, false); !why.isEmpty()) {
            op.say(why);
            return std::nullopt;
        }
        QByteArray bytes;
        try {
            bytes = DataFileIo().read(name, DataFile::Size + 1);
        } catch (const ZtError &e) {
            op.say(FormatMessage(text(QStringLiteral("ReadFromDisk_Err")), e.description(), name));
            return std::nullopt;
        }
        if (bytes.size() != DataFile::Size) {
            op.say(FormatMessage(text(QStringLiteral("Cfg_Size_Err")), name,
                                 QString::number(info.size())));
            return std::nullopt;
        }
        ButtonRecord record = DataFile::decode(bytes);
        const QString version = Tools::Trim(record.Version.text());
        if (version != RecordVersion) {
            qint64 unused = 0;
            op.say(FormatMessage(text(QStringLiteral("Cfg_Version_Err")), name,
                                 Tools::ValOfChecked(version, unused) ? version
                                                                      : QStringLiteral("0.0"),
                                 RecordVersion));
            return std::nullopt;
        }
        return record;
    }

    // A data file goes to a regular file (replaced whole once complete), a new one, a
    // named pipe or "-" (standard output); anything else is refused before the device
    // is asked for anything.
    bool writable(const QString &name)
    {
        const QString why = name == QLatin1String("-") ? QString() : notAFile(name, true);
        if (!why.isEmpty())
            op.say(why);
        return why.isEmpty();
    }
    bool write(const QString &name, ButtonRecord record)
    {
        if (!writable(name))
            return false;
        record.Version.set(RecordVersion);
        const QByteArray bytes = DataFile::encode(record);
        if (output) {
            output->file = bytes;
            return true;
        }
        try {
            if (name == QLatin1String("-") || typeOf(name) == std::filesystem::file_type::fifo) {
                QFile stream(name);
                const bool opened = name == QLatin1String("-")
                                        ? stream.open(stdout, QIODevice::WriteOnly)
                                        : stream.open(QIODevice::WriteOnly);
                if (!opened || stream.write(bytes) != bytes.size() || !stream.flush())
                    throw ZtError(stream.errorString());
            } else {
                DataFileIo().write(name, bytes);
            }
        } catch (const ZtError &e) {
            op.say(FormatMessage(text(QStringLiteral("WriteToDisk_Err")), e.description(), name));
            return false;
        }
        return true;
    }
    void saved() { info(text(QStringLiteral("WritingData_Ok")).trimmed()); }
    // The mark beside a code no device can give back.
    QString badMark(qint16 code)
    {
        return code >= 0 ? QString()
                         : QStringLiteral("  ! ") + text(QStringLiteral("Cfg_Bad_Code"));
    }
};

int helpFor(const Run &run, const QString &name)
{
    for (const CommandHelp &c : Commands)
        if (name == QLatin1String(c.name)) {
            run.out(QString::fromLatin1(c.text));
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
        const QString why = run.notAFile(path, false);
        run.op.say(!why.isEmpty()
                       ? why
                       : FormatMessage(run.text(QStringLiteral("ReadingData_Err")), path));
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

// "version" and "codes" (and "labels" with a channel list) of a record, as JSON members.
QString recordJson(Run &run, const ButtonRecord &record, const CodeList *channels)
{
    QStringList codes, labels;
    for (int g = 1; g <= KeyGroups; ++g) {
        QStringList c, l;
        for (int r = 1; r <= KeyRows; ++r) {
            c << QString::number(record.button(g, r));
            if (channels)
                l << jsonString(labelOf(run, *channels, record.button(g, r)));
        }
        codes << QLatin1Char('[') + c.join(QStringLiteral(", ")) + QLatin1Char(']');
        labels << QLatin1Char('[') + l.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    QString text =
        QStringLiteral("\"version\": %1, \"codes\": [%2]")
            .arg(jsonString(Tools::Trim(record.Version.text())), codes.join(QStringLiteral(", ")));
    if (channels)
        text += QStringLiteral(", \"labels\": [%1]").arg(labels.join(QStringLiteral(", ")));
    return text;
}

int show(Run &run, const QString &file, const QString &channelsFile, bool json)
{
    CodeList channels;
    if (!readChannels(run, channelsFile, channels))
        return FileFailure;
    const auto record = run.read(file);
    if (!record)
        return FileFailure;
    if (json) {
        run.out(QLatin1Char('{') +
                recordJson(run, *record, channelsFile.isEmpty() ? nullptr : &channels) +
                QStringLiteral("}\n"));
        return Done;
    }
    QString text = QStringLiteral("version %1\n").arg(Tools::Trim(record->Version.text()));
    for (int g = 1; g <= KeyGroups; ++g)
        for (int r = 1; r <= KeyRows; ++r) {
            const qint16 code = record->button(g, r);
            const QString label = labelOf(run, channels, code);
            text += QStringLiteral("%1: %2").arg(keyName(g, r)).arg(code) +
                    (label.isEmpty() ? QString() : QStringLiteral("  ") + label) +
                    run.badMark(code) + QLatin1Char('\n');
        }
    run.out(text);
    return Done;
}

// Two data files compared whole: every code, and the version field byte for byte.
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
               (label.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(label)) +
               run.badMark(code);
    };
    QString text;
    if (left->Version.text() != right->Version.text())
        text += QStringLiteral("version: %1 -> %2\n")
                    .arg(jsonString(left->Version.text()), jsonString(right->Version.text()));
    for (int g = 1; g <= KeyGroups; ++g)
        for (int r = 1; r <= KeyRows; ++r)
            if (left->button(g, r) != right->button(g, r))
                text += QStringLiteral("%1: %2 -> %3\n")
                            .arg(keyName(g, r), withLabel(left->button(g, r)),
                                 withLabel(right->button(g, r)));
    run.out(text);
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

// The keys whose code no device gives back.
QStringList badKeys(const ButtonRecord &record)
{
    QStringList keys;
    for (int g = 1; g <= KeyGroups; ++g)
        for (int r = 1; r <= KeyRows; ++r)
            if (record.button(g, r) < 0)
                keys << keyName(g, r);
    return keys;
}

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
        return run.usage(run.says("set nimmt GRUPPE A-D oder 1-4, ZEILE 1-25 und CODE 0-%1, "
                                  "nicht \"%2 %3 %4\"",
                                  "set takes GROUP A-D or 1-4, ROW 1-25 and CODE 0-%1, "
                                  "not \"%2 %3 %4\"")
                             .arg(CodeMax)
                             .arg(args[2], args[3], args[4]));
    auto record = run.read(args[1]);
    if (!record)
        return FileFailure;
    record->button(group, *row) = qint16(*code);
    if (!run.write(args[1], *record))
        return FileFailure;
    run.saved();
    if (const QStringList bad = badKeys(*record); !bad.isEmpty())
        run.info(FormatMessage(run.text(QStringLiteral("Cfg_Bad_Codes")), args[1],
                               bad.join(QStringLiteral(", "))));
    return Done;
}

int writeJson(Run &run, const QString &file, const QString &jsonFile)
{
    const auto fail = [&](const QString &why) {
        QString t = run.text(QStringLiteral("Cfg_Json_Err"));
        return run.fail(FileFailure, FormatMessage(t, jsonFile, why));
    };
    if (!run.writable(file))
        return FileFailure;
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
                return fail(
                    QStringLiteral("%1 is not a code 0-%2").arg(keyName(g, r)).arg(CodeMax));
            record.button(g, r) = qint16(v);
        }
    }
    if (!run.write(file, record))
        return FileFailure;
    run.saved();
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

// One device command; members of its JSON result are added to fields.
int device(Run &run, const QCommandLineParser &p, const QStringList &args, QStringList &fields)
{
    const QString command = args[0];
    const bool withFile = command == QLatin1String("receive") || command == QLatin1String("send");
    if (args.size() != (withFile ? 2 : 1))
        return run.usage((withFile ? run.says("%1 nimmt eine Datendatei", "%1 takes one data file")
                                   : run.says("%1 nimmt keine Datei", "%1 takes no file"))
                             .arg(command));
    if (!p.isSet(QStringLiteral("port")))
        return run.usage(run.says("%1 braucht --port PORT", "%1 needs --port PORT").arg(command));
    const QString portName = p.value(QStringLiteral("port"));
    const QUrl address(portName.trimmed());
    if (NetLine::isAddress(portName) &&
        (!address.isValid() || address.host().isEmpty() || address.port() <= 0))
        return run.usage(run.says("--port %1 ist keine Netzadresse "
                                  "(tcp://HOST:PORT oder rfc2217://HOST:PORT)",
                                  "--port %1 is not a network address "
                                  "(tcp://HOST:PORT or rfc2217://HOST:PORT)")
                             .arg(portName));
    if (command == QLatin1String("receive") && args[1] == QLatin1String("-") &&
        p.isSet(QStringLiteral("json")))
        return run.usage(run.says("receive - schreibt die Datendatei auf die Standardausgabe, "
                                  "die --json nicht mitbenutzen kann",
                                  "receive - writes the data file to standard output, "
                                  "which --json cannot share"));
    CoreContext &core = *run.core;
    ProgramFlags &flags = core.zt.setupFlags();
    const int loaded = core.comm.Comm_LoadSettings(*run.port);
    if (loaded != 0)
        return run.fail(FileFailure, run.iniFile + QStringLiteral(": ") +
                                         StartupErrorText(portError(loaded), run.language));
    // The rows and groups in use: the options, else the settings as the editor reads them.
    qint16 rows = 15, cols = 3;
    for (auto [option, key, max, count] : {std::tuple{"rows", "CountKeyRows", KeyRows, &rows},
                                           std::tuple{"cols", "CountKeyCols", KeyGroups, &cols}}) {
        const QString opt = QLatin1String(option);
        if (p.isSet(opt)) {
            const auto n = number(p.value(opt), 1, max);
            if (!n)
                return run.usage(run.says("--rows muss 1 bis 25 sein und --cols 1 bis 4",
                                          "--rows must be 1 to 25 and --cols 1 to 4"));
            *count = qint16(*n);
        } else if (!ReadKeyCount(INI_ReadValue(run.iniFile, QStringLiteral("Main"),
                                               QLatin1String(key), QString::number(*count)),
                                 qint16(max), *count)) {
            return run.fail(FileFailure, QStringLiteral("%1: [Main] %2 ").arg(run.iniFile, key) +
                                             run.text(QStringLiteral("Cfg_Count_Err")));
        }
    }
    flags.CountKeyRows = rows;
    flags.CountKeyCols = cols;
    flags.ProductVersion = INI_ReadValue(run.iniFile, QStringLiteral("Main"),
                                         QStringLiteral("ProductVersion"), flags.ProductVersion);
    if (p.isSet(QStringLiteral("timeout"))) {
        const auto seconds = number(p.value(QStringLiteral("timeout")), 1, 3600);
        if (!seconds)
            return run.usage(run.says("--timeout nimmt Sekunden, 1 bis 3600",
                                      "--timeout takes seconds, 1 to 3600"));
        core.comm.setTimeOut(qint16(*seconds));
        run.port->setConnectTimeOut(*seconds);
    }
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
    if (command == QLatin1String("send")) {
        if (!(toSend = run.read(args[1])))
            return FileFailure;
        // What goes out must come back: a negative code would be refused by the next receive.
        for (int g = 1; g <= cols; ++g)
            for (int r = 1; r <= rows; ++r)
                if (toSend->button(g, r) < 0)
                    return run.fail(FileFailure,
                                    FormatMessage(run.text(QStringLiteral("Cfg_Code_Err")), args[1],
                                                  keyName(g, r),
                                                  QString::number(toSend->button(g, r))));
    }
    if (command == QLatin1String("receive") && !run.writable(args[1]))
        return FileFailure;
    run.op.prefix = QStringLiteral("ztcfg: %1: ").arg(portName);

    FrameTrace trace(run.op);
    if (run.op.verbose) {
        QObject::connect(&*run.port, &SerialPort::bytesSent,
                         [&](const QByteArray &b) { trace.feed("out ", trace.sent, b); });
        QObject::connect(&*run.port, &SerialPort::bytesReceived,
                         [&](const QByteArray &b) { trace.feed("in  ", trace.received, b); });
    }
    QList<QByteArray> seen;
    qsizetype blockDigits = -1;
    const QByteArray blockCode = Tools::ByteToHex(FrameCode::DataBlock);
    core.setFrameWatcher([&](const QByteArray &code, const QByteArray &frame) {
        seen << code;
        if (code == blockCode)
            blockDigits = frame.size() - 2;
    });
    const auto openFailure = [&](const QString &description) {
        return FormatMessage(run.text(QStringLiteral("Cfg_OpenPort_Err")), description);
    };
    QString lost;
    QObject::connect(&*run.port, &SerialPort::portLost, [&](const QString &description) {
        // A device server turns a connection away before any answer (see setQuickOpen).
        lost = seen.isEmpty() && NetLine::isAddress(run.port->portDevice())
                   ? openFailure(description)
                   : FormatMessage(run.text(QStringLiteral("Cfg_Connection_Lost")), description);
    });
    run.op.onSendDataTimer = [&] { core.menu.timSendData_Timer(); };

    // Opened here so a failure names the port as given, not a COM number. One exchange
    // follows at once: a device server's refusal need not be waited for before it.
    run.port->setQuickOpen(true);
    try {
        run.port->setPortOpen(true);
    } catch (const std::exception &e) {
        return run.fail(DeviceFailure, openFailure(describe(e)));
    }
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
    QString failure;
    if (command == QLatin1String("ping")) {
        ok = exchange(MenuCommand::OnlineTest,
                      expected = Tools::ByteToHex(FrameCode::OnlineTestAnswer));
    } else if (command == QLatin1String("version")) {
        ok =
            exchange(MenuCommand::VersionInfo, expected = Tools::ByteToHex(FrameCode::VersionInfo));
        if (ok) {
            QStringList texts;
            for (const auto &t : core.zt.data().TextStatus)
                texts << Tools::RTrim(t.text());
            if (p.isSet(QStringLiteral("json"))) {
                for (QString &t : texts)
                    t = jsonString(t);
                fields << QStringLiteral("\"texts\": [%1]").arg(texts.join(QStringLiteral(", ")));
            } else {
                run.out(texts.join(QLatin1Char('\n')) + QLatin1Char('\n'));
            }
        }
    } else if (command == QLatin1String("reset")) {
        ok = exchange(MenuCommand::SystemReset, expected = Tools::ByteToHex(FrameCode::ResetDone));
    } else if (command == QLatin1String("send")) {
        core.zt.data().DataRecord = *toSend;
        ok = exchange(MenuCommand::SendData, expected = Tools::ByteToHex(FrameCode::ChecksumAck)) &&
             run.op.lastStatus == Tools::Trim(core.messages.text(QStringLiteral("Comm_Data_Sent")));
    } else {
        ok = exchange(MenuCommand::ReceiveData, expected = blockCode) &&
             run.op.lastStatus ==
                 Tools::Trim(core.messages.text(QStringLiteral("Comm_Data_Received")));
        // A block of another shape is another device's layout: no backup of it.
        if (ok && blockDigits != qsizetype(rows) * cols * 4) {
            failure = FormatMessage(
                run.text(QStringLiteral("Cfg_Shape_Err")), QString::number(blockDigits / 4),
                QStringLiteral("%1 x %2").arg(rows).arg(cols), QString::number(rows * cols),
                run.iniFile.isEmpty() ? QStringLiteral("-") : run.iniFile);
            ok = false;
        }
        // Codes the editor could not take over leave a partial record: no file of it.
        const QString hexErr = core.messages.text(QStringLiteral("Interpret_HexData_Err"))
                                   .section(QLatin1Char('&'), 0, 0)
                                   .trimmed();
        for (qsizetype i = logBefore; ok && i < run.sink->lines.size(); ++i)
            if (run.sink->lines[i].contains(hexErr)) {
                failure = run.sink->lines[i].mid(run.sink->lines[i].indexOf(hexErr));
                ok = false;
            }
    }
    const QString result = run.op.lastStatus;
    core.comm.Comm_ClosePort();
    if (run.op.ended)
        return DeviceFailure;
    if (!ok) {
        if (!failure.isEmpty())
            run.op.say(failure);
        else if (!lost.isEmpty())
            run.op.say(lost);
        else if (!seen.contains(expected))
            run.op.say(
                FormatMessage(core.messages.text(QStringLiteral("Comm_Timeout_Waiting_For_Answer")),
                              QString::fromLatin1(expected)));
        return DeviceFailure;
    }
    run.info(result);
    if (command == QLatin1String("receive")) {
        run.op.prefix = QStringLiteral("ztcfg: ");
        ButtonRecord received = core.zt.data().DataRecord;
        received.Version.set(RecordVersion);
        if (!run.write(args[1], received))
            return FileFailure;
        fields << QStringLiteral("\"file\": %1, \"rows\": %2, \"cols\": %3, %4")
                      .arg(jsonString(args[1]))
                      .arg(rows)
                      .arg(cols)
                      .arg(recordJson(run, received, nullptr));
    } else if (command == QLatin1String("send")) {
        fields << QStringLiteral("\"file\": %1").arg(jsonString(args[1]));
    }
    return Done;
}

// A device command; with --json its result as one JSON object on standard output:
// command, port, ok, ms, then exit and error on failure, and what the command brought.
int deviceCommand(Run &run, const QCommandLineParser &p, const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    QStringList fields;
    const int exit = device(run, p, args, fields);
    if (!p.isSet(QStringLiteral("json")))
        return exit;
    QStringList members{
        QStringLiteral("\"command\": %1").arg(jsonString(args[0])),
        QStringLiteral("\"port\": %1").arg(jsonString(p.value(QStringLiteral("port")))),
        QStringLiteral("\"ok\": %1")
            .arg(exit == Done ? QLatin1String("true") : QLatin1String("false")),
        QStringLiteral("\"ms\": %1").arg(clock.elapsed())};
    if (exit != Done)
        members << QStringLiteral("\"exit\": %1").arg(exit)
                << QStringLiteral("\"error\": %1")
                       .arg(jsonString(run.op.ended ? run.op.endedWith : run.op.lastSaid));
    run.out(QLatin1Char('{') + (members + fields).join(QStringLiteral(", ")) +
            QStringLiteral("}\n"));
    return exit;
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

// "-1" is a value, not an option: the arguments that are no option or option value go
// behind "--" in their order, so "set F A 1 -1" reaches the range check.
QStringList negativeNumbersAsValues(const QStringList &arguments)
{
    static const QRegularExpression negative(QStringLiteral("^-\\d+$"));
    QStringList options{arguments.value(0)}, positional;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        }
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-") ||
            negative.match(a).hasMatch()) {
            positional << a;
            continue;
        }
        options << a;
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        if (ValuedOptions.contains(name) && i + 1 < arguments.size())
            options << arguments[++i];
    }
    return options + QStringList{QStringLiteral("--")} + positional;
}

// Options that mean something to each command, beyond --ini, --language, -q, -v.
QStringList meaningfulOptions(const QString &command)
{
    if (command == QLatin1String("show"))
        return {QStringLiteral("channels"), QStringLiteral("json")};
    if (command == QLatin1String("diff"))
        return {QStringLiteral("channels")};
    if (command == QLatin1String("write"))
        return {QStringLiteral("json")};
    for (const char *name : {"ping", "version", "receive", "send", "reset"})
        if (command == QLatin1String(name))
            return {QStringLiteral("port"), QStringLiteral("settings"), QStringLiteral("timeout"),
                    QStringLiteral("rows"), QStringLiteral("cols"),     QStringLiteral("json")};
    return {};
}

// Every option given acts: none twice, none without a value, none the command ignores.
QString optionProblem(const Run &run, const QCommandLineParser &p, const QString &command)
{
    QStringList given;
    for (QString name : p.optionNames()) {
        if (name == QLatin1String("q"))
            name = QStringLiteral("quiet");
        else if (name == QLatin1String("v"))
            name = QStringLiteral("verbose");
        const QString shown = QStringLiteral("--") + name;
        if (given.contains(name))
            return run.says("%1 ist mehr als einmal angegeben", "%1 is given more than once")
                .arg(shown);
        given << name;
        if (ValuedOptions.contains(name) && p.value(name).trimmed().isEmpty())
            return run.says("%1 braucht einen Wert", "%1 needs a value").arg(shown);
        static const QStringList everywhere{QStringLiteral("ini"), QStringLiteral("language"),
                                            QStringLiteral("quiet"), QStringLiteral("verbose")};
        if (!everywhere.contains(name) && !meaningfulOptions(command).contains(name))
            return run.says("%1 bedeutet nichts für %2", "%1 has no meaning for %2")
                .arg(shown, command);
    }
    if (given.contains(QStringLiteral("quiet")) && given.contains(QStringLiteral("verbose")))
        return run.says("-q und -v schließen einander aus", "-q and -v exclude each other");
    return {};
}

} // namespace

int RunCommand(const QStringList &arguments, CommandOutput *output)
{
    QCommandLineParser p;
    for (const QString &name : ValuedOptions)
        p.addOption(QCommandLineOption(name, QString(), QStringLiteral("VALUE")));
    p.addOptions({QCommandLineOption(QStringLiteral("json")),
                  QCommandLineOption(QStringLiteral("version")),
                  QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")}),
                  QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")}),
                  QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})});

    Run run;
    run.output = output;
    run.op.kept = output ? &output->err : nullptr;
    const bool parsed = p.parse(negativeNumbersAsValues(arguments));
    // The settings the editor would use, unless --ini names others.
    if (p.isSet(QStringLiteral("ini")))
        run.iniFile = QFileInfo(p.value(QStringLiteral("ini"))).absoluteFilePath();
    else
        run.iniFile = InstanceSettingsFile(
            {run.appDir, QStringLiteral("zteditor"), QString(), DefaultConfigHome()});
    const bool iniFound = QFileInfo(run.iniFile).isFile();
    run.catalogue = iniFound ? run.iniFile : shippedCatalogue(run.appDir);
    if (iniFound)
        run.language = INI_ReadValue(run.iniFile, QStringLiteral("Main"),
                                     QStringLiteral("Language"), QStringLiteral("GER"))
                           .trimmed()
                           .toUpper();
    const QString language = p.value(QStringLiteral("language")).trimmed().toUpper();
    if (!language.isEmpty()) // a wrong one is refused below, in English
        run.language = language == QLatin1String("GER") ? language : QStringLiteral("ENG");
    run.quiet = p.isSet(QStringLiteral("quiet"));
    run.op.verbose = p.isSet(QStringLiteral("verbose"));
    run.build();

    if (!parsed)
        return run.usage(p.errorText());
    if (p.isSet(QStringLiteral("version"))) {
        run.out(VersionText(QStringLiteral("ztcfg")));
        return Done;
    }
    const QStringList args = p.positionalArguments();
    if (p.isSet(QStringLiteral("help")) || args.isEmpty()) {
        run.out(QString::fromLatin1(Synopsis) + QString::fromLatin1(OptionHelp));
        return args.isEmpty() && !p.isSet(QStringLiteral("help")) ? UsageFailure : Done;
    }
    const QString command = args[0];
    if (const QString problem = optionProblem(run, p, command); !problem.isEmpty())
        return run.usage(problem);
    if (args.contains(QString()))
        return run.usage(run.says("ein Argument ist leer, ein Dateiname oder Wert fehlt",
                                  "an argument is empty, a file name or value is needed"));
    if (language != QLatin1String("GER") && language != QLatin1String("ENG") && !language.isEmpty())
        return run.usage(run.says("--language nimmt GER oder ENG", "--language takes GER or ENG"));
    if (p.isSet(QStringLiteral("ini")) && !iniFound) {
        const QString why = run.notAFile(run.iniFile, false);
        return run.fail(FileFailure,
                        !why.isEmpty() ? why
                                       : FormatMessage(run.text(QStringLiteral("ReadingData_Err")),
                                                       run.iniFile));
    }
    if (run.op.verbose)
        run.op.say(FormatMessage(run.text(QStringLiteral("Cfg_Settings")),
                                 iniFound ? run.iniFile : QStringLiteral("-")));

    const QString channels = p.value(QStringLiteral("channels"));
    const bool json = p.isSet(QStringLiteral("json"));
    if (command == QLatin1String("help"))
        return args.size() == 2 ? helpFor(run, args[1])
                                : run.usage(run.says("help BEFEHL", "help SUBCOMMAND"));
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
            return deviceCommand(run, p, args);
    for (const CommandHelp &c : Commands)
        if (command == QLatin1String(c.name))
            return run.usage(run.says("falsche Argumente für %1, siehe ztcfg help %1",
                                      "wrong arguments for %1, see ztcfg help %1")
                                 .arg(command));
    return run.usage(run.says("kein Befehl \"%1\"", "no subcommand \"%1\"").arg(command));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ztcfg"));
    if (argc > 1 && qstrcmp(argv[1], "fleet") == 0)
        return FleetMain(QCoreApplication::arguments());
    return RunCommand(QCoreApplication::arguments(), nullptr);
}
