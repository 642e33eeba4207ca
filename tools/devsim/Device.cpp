#include "Device.h"

#include "DeviceLink.h"
#include "common/Tools.h"
#include "link/Frame.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

const char *const CommandHelp =
    "Commands (standard input or --script, one a line; # starts a comment):\n"
    "  online-test          send 80 (the program answers 81)\n"
    "  version              send 82 (the program answers 83 with its status texts)\n"
    "  request-data [KIND]  send 84 with KIND, default 20 (the program sends its codes)\n"
    "  send-data            send 85 with this device's codes (the program acknowledges 86)\n"
    "  reset                send 87 (the program resets its codes and answers 88)\n"
    "  acu TEXT             send 89 with TEXT as the 4-character ACU version\n"
    "  raw HEX              send the bytes given as hex digits, e.g. raw 80 0D\n"
    "  status N TEXT        set status text N (1-3) that version info reports\n"
    "  show                 print the device's codes, texts, ACU version and CAN address\n"
    "  sleep MS             wait MS milliseconds before the next command\n"
    "  help                 print this list\n"
    "  quit                 end once everything queued has been written\n";

void say(const QString &text)
{
    const QString line =
        QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

namespace {
constexpr qsizetype MaxFrameLength = 65536; // far beyond any frame; guards the buffer

bool isHexText(QByteArrayView payload)
{
    for (const char c : payload)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

// The 16-bit value whose four digits start at at; missing digits read as 0.
qint16 wordAt(QByteArrayView payload, qsizetype at)
{
    auto pair = [&](qsizetype i) {
        return Tools::HexToByte(payload.sliced(std::min(i, payload.size())));
    };
    return static_cast<qint16>(pair(at) * 256 + pair(at + 2));
}

QString codeText(quint8 code)
{
    return QString::fromLatin1(Tools::ByteToHex(code));
}
} // namespace

Device::Device(DeviceLink &link, int cols, int rows, const FaultOptions &faults, QObject *parent)
    : QObject(parent), m_link(link), m_cols(cols), m_rows(rows), m_faults(faults)
{
    m_status = {QStringLiteral("ZT DerUvav Zentrale"), QStringLiteral("Firmware 2.14"),
                QStringLiteral("Seriennr. 004711")};
    m_outTimer.setSingleShot(true);
    m_sleepTimer.setSingleShot(true);
    connect(&m_outTimer, &QTimer::timeout, this, &Device::pump);
    connect(&m_sleepTimer, &QTimer::timeout, this, &Device::runCommands);
    connect(&m_link, &DeviceLink::received, this, &Device::receive);
}

void Device::say(const QString &text) const
{
    ::say(m_name.isEmpty() ? text : m_name + QStringLiteral(" ") + text);
}

void Device::setResetImage(const ButtonRecord &record)
{
    m_resetImage = record;
    m_codes = record;
}

void Device::setStatusText(int n, const QString &text)
{
    m_status[n - 1] = text;
}

// ---- receiving ----

void Device::receive(const QByteArray &bytes)
{
    m_inBuffer += bytes;
    while (!m_inBuffer.isEmpty()) {
        qsizetype start = 0;
        while (start < m_inBuffer.size() && !isCommandByte(m_inBuffer[start]))
            ++start;
        if (start > 0) {
            say(QStringLiteral("!!  dropped %1 byte(s) outside a frame: %2")
                    .arg(start)
                    .arg(hexBytesText(QByteArrayView(m_inBuffer).first(start))));
            m_inBuffer.remove(0, start);
            continue;
        }
        qsizetype end = 1;
        while (end < m_inBuffer.size() && m_inBuffer[end] != FrameTerminator &&
               !isCommandByte(m_inBuffer[end]))
            ++end;
        if (end == m_inBuffer.size()) {
            if (m_inBuffer.size() > MaxFrameLength) {
                say(QStringLiteral("!!  dropped %1 bytes without a terminator")
                        .arg(m_inBuffer.size()));
                m_inBuffer.clear();
            }
            return; // the rest of the frame is still on its way
        }
        if (m_inBuffer[end] != FrameTerminator) {
            // A new command byte before the terminator: the frame before it was cut off.
            say(QStringLiteral("!!  dropped an unterminated frame: %1")
                    .arg(hexBytesText(QByteArrayView(m_inBuffer).first(end))));
            m_inBuffer.remove(0, end);
            continue;
        }
        const QByteArray frame = m_inBuffer.left(end + 1);
        m_inBuffer.remove(0, end + 1);
        interpret(frame);
    }
}

void Device::interpret(const QByteArray &frame)
{
    say(QStringLiteral("in  %1 | %2").arg(frameText(frame), describe(frame)));
    const auto code = static_cast<quint8>(frame[0]);
    const QByteArrayView payload = framePayload(frame);
    switch (code) {
    case FrameCode::OnlineTest:
        answer(code, FrameCode::OnlineTestAnswer);
        break;
    case FrameCode::VersionRequest:
        answer(code, FrameCode::VersionInfo, versionInfoPayload(m_status));
        break;
    case FrameCode::DataRequest:
        if (payload == DataKindButtons)
            answer(code, FrameCode::DataBlock, dataBlockPayload(m_codes, m_cols, m_rows));
        else
            say(QStringLiteral("--  data kind \"%1\" not known here; no answer")
                    .arg(QString::fromLatin1(payload.toByteArray())));
        break;
    case FrameCode::DataBlock: {
        storeDataBlock(payload);
        qint32 checksum = Comm_Checksum(payload);
        if (m_faults.badChecksum) {
            ++checksum;
            say(QStringLiteral("--  acknowledging a wrong checksum on purpose"));
        }
        answer(code, FrameCode::ChecksumAck, checksumAckPayload(checksum));
        break;
    }
    case FrameCode::ChecksumAck: {
        const QString ack = Tools::HexToString(payload);
        if (m_sentChecksum < 0)
            say(QStringLiteral("--  no data block was sent by this device"));
        else if (ack == QString::number(m_sentChecksum))
            say(QStringLiteral("--  checksum matches the block sent"));
        else
            say(QStringLiteral("!!  checksum differs from the block sent (%1)")
                    .arg(m_sentChecksum));
        break;
    }
    case FrameCode::ResetRequest:
        m_codes = m_resetImage;
        say(QStringLiteral("--  codes reset"));
        answer(code, FrameCode::ResetDone);
        break;
    case FrameCode::AcuVersion:
        m_acuVersion = Tools::HexToString(payload).left(4).leftJustified(4, QLatin1Char(' '));
        say(QStringLiteral("--  ACU version stored"));
        break;
    case FrameCode::CanBusAddress:
        m_canBusAddr = wordAt(payload, 0);
        say(QStringLiteral("--  CAN bus address stored"));
        break;
    case FrameCode::OnlineTestAnswer:
    case FrameCode::VersionInfo:
    case FrameCode::ResetDone:
        break; // answers to this device's own requests: printed above
    default:
        say(QStringLiteral("--  code %1 not known here; ignored").arg(codeText(code)));
    }
}

void Device::storeDataBlock(QByteArrayView payload)
{
    m_codes.Buttons = {};
    const int count = m_cols * m_rows;
    for (int k = 0; k < count; ++k)
        m_codes.button(k / m_rows + 1, k % m_rows + 1) = wordAt(payload, 4 * k);
    say(QStringLiteral("--  %1 codes stored").arg(count));
}

// ---- sending ----

void Device::answer(quint8 received, quint8 code, const QByteArray &payload)
{
    if (m_faults.noAnswer.contains(received)) {
        say(QStringLiteral("--  no answer to %1 (--no-answer)").arg(codeText(received)));
        return;
    }
    send(code, payload, m_faults.delayMs);
}

void Device::send(quint8 code, const QByteArray &payload, int firstWaitMs)
{
    const QByteArray frame = makeFrame(code, payload);
    if (code == FrameCode::DataBlock)
        m_sentChecksum = Comm_Checksum(payload);
    QStringList notes;
    QByteArray bytes;
    if (m_faults.garbageBytes > 0) {
        for (int i = 0; i < m_faults.garbageBytes; ++i)
            bytes += static_cast<char>(QRandomGenerator::global()->bounded(0x20, 0x7F));
        notes << QStringLiteral("out %1 | garbage").arg(hexBytesText(bytes));
    }
    bytes += frame;
    notes << QStringLiteral("out %1 | %2").arg(frameText(frame), describe(frame));
    queueBytes(bytes, firstWaitMs, notes);
}

void Device::queueBytes(const QByteArray &bytes, int firstWaitMs, QStringList notes)
{
    const int piece = m_faults.splitBytes > 0 ? m_faults.splitBytes : int(bytes.size());
    if (piece < bytes.size())
        notes << QStringLiteral("--  in pieces of %1 byte(s), %2 ms apart")
                     .arg(piece)
                     .arg(m_faults.gapMs);
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        Piece p;
        p.bytes = bytes.mid(at, piece);
        p.waitMs = at == 0 ? firstWaitMs : m_faults.gapMs;
        if (at == 0)
            p.notes = notes;
        m_out.append(p);
    }
    pump();
}

void Device::pump()
{
    if (m_outTimer.isActive())
        return;
    while (!m_out.isEmpty()) {
        if (m_out.front().waitMs > 0 && !m_waited) {
            m_waited = true;
            m_outTimer.start(m_out.front().waitMs);
            return;
        }
        m_waited = false;
        const Piece p = m_out.takeFirst();
        for (const QString &note : p.notes)
            say(note);
        m_link.write(p.bytes);
    }
    if (m_quitting)
        Q_EMIT finished();
}

// ---- commands ----

void Device::enqueueCommand(const QString &line)
{
    m_commands.append(line);
    if (!m_sleepTimer.isActive() && !m_quitting)
        runCommands();
}

void Device::runCommands()
{
    while (!m_commands.isEmpty() && !m_quitting)
        if (!runCommand(m_commands.takeFirst()))
            return;
}

bool Device::runCommand(const QString &input)
{
    const QString line = input.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return true;
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    const QString word = line.left(blank < 0 ? line.size() : blank).toLower();
    const QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();

    if (word == QLatin1String("online-test")) {
        send(FrameCode::OnlineTest, {}, 0);
    } else if (word == QLatin1String("version")) {
        send(FrameCode::VersionRequest, {}, 0);
    } else if (word == QLatin1String("request-data")) {
        send(FrameCode::DataRequest, rest.isEmpty() ? QByteArray(DataKindButtons) : rest.toLatin1(),
             0);
    } else if (word == QLatin1String("send-data")) {
        send(FrameCode::DataBlock, dataBlockPayload(m_codes, m_cols, m_rows), 0);
    } else if (word == QLatin1String("reset")) {
        send(FrameCode::ResetRequest, {}, 0);
    } else if (word == QLatin1String("acu")) {
        const QString text = line.mid(blank < 0 ? line.size() : blank + 1);
        send(FrameCode::AcuVersion,
             Tools::StringToHex(text.left(4).leftJustified(4, QLatin1Char(' '))), 0);
    } else if (word == QLatin1String("raw")) {
        QByteArray digits = rest.toLatin1();
        digits.replace(' ', QByteArray());
        if (digits.isEmpty() || digits.size() % 2 != 0 ||
            !isHexText(QByteArray(digits).toUpper())) {
            say(QStringLiteral("!!  raw wants pairs of hex digits, e.g. raw 80 0D"));
            return true;
        }
        const QByteArray bytes = QByteArray::fromHex(digits);
        queueBytes(bytes, 0, {QStringLiteral("out %1 | raw").arg(hexBytesText(bytes))});
    } else if (word == QLatin1String("status")) {
        const qsizetype b = rest.indexOf(QLatin1Char(' '));
        const int n = rest.left(b < 0 ? rest.size() : b).toInt();
        if (n < 1 || n > 3) {
            say(QStringLiteral("!!  status wants a number 1 to 3 and a text"));
            return true;
        }
        setStatusText(n, b < 0 ? QString() : rest.mid(b + 1));
        say(QStringLiteral("--  status text %1 is \"%2\"").arg(n).arg(m_status[n - 1]));
    } else if (word == QLatin1String("show")) {
        showState();
    } else if (word == QLatin1String("sleep")) {
        bool ok = false;
        const int ms = rest.toInt(&ok);
        if (!ok || ms < 0) {
            say(QStringLiteral("!!  sleep wants milliseconds"));
            return true;
        }
        m_sleepTimer.start(ms);
        return false;
    } else if (word == QLatin1String("help")) {
        for (const QString &l :
             QString::fromLatin1(CommandHelp).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            say(l);
    } else if (word == QLatin1String("quit")) {
        m_quitting = true;
        m_commands.clear();
        pump();
        return false;
    } else {
        say(QStringLiteral("!!  unknown command \"%1\"; help lists the commands").arg(line));
    }
    return true;
}

void Device::showState()
{
    say(QStringLiteral("--  %1 group(s) x %2 row(s); codes %3")
            .arg(m_cols)
            .arg(m_rows)
            .arg(describeCodes(dataBlockPayload(m_codes, m_cols, m_rows))));
    for (int n = 1; n <= 3; ++n)
        say(QStringLiteral("--  status text %1 \"%2\"").arg(n).arg(m_status[n - 1]));
    say(QStringLiteral("--  ACU version \"%1\", CAN bus address %2")
            .arg(m_acuVersion)
            .arg(m_canBusAddr));
}

// ---- decoding for the printout ----

QString Device::describeCodes(QByteArrayView payload) const
{
    const qsizetype count = payload.size() / 4;
    QStringList set;
    for (qsizetype k = 0; k < count; ++k) {
        const qint16 value = wordAt(payload, 4 * k);
        if (value != 0)
            set << QStringLiteral("%1%2=%3")
                       .arg(QLatin1Char(char('A' + k / m_rows)))
                       .arg(k % m_rows + 1)
                       .arg(value);
    }
    QString text =
        QStringLiteral("%1 code(s), checksum %2; ").arg(count).arg(Comm_Checksum(payload));
    text += set.isEmpty() ? QStringLiteral("all 0") : set.join(QLatin1Char(' '));
    if (payload.size() % 4 != 0)
        text += QStringLiteral(" [%1 digit(s) left over]").arg(payload.size() % 4);
    if (count != m_cols * m_rows)
        text += QStringLiteral(" [this device expects %1 codes]").arg(m_cols * m_rows);
    return text;
}

QString Device::describe(const QByteArray &frame) const
{
    const auto code = static_cast<quint8>(frame[0]);
    const QByteArrayView payload = framePayload(frame);
    QString text;
    switch (code) {
    case FrameCode::OnlineTest:
        text = QStringLiteral("online test request");
        break;
    case FrameCode::OnlineTestAnswer:
        text = QStringLiteral("online test answer");
        break;
    case FrameCode::VersionRequest:
        text = QStringLiteral("version-info request");
        break;
    case FrameCode::VersionInfo: {
        QStringList entries;
        qsizetype at = 0;
        while (at < payload.size()) {
            const int length = Tools::HexToByte(payload.sliced(at));
            at += 2;
            if (at + 2 * length > payload.size()) {
                entries << QStringLiteral("[truncated entry]");
                break;
            }
            entries << QLatin1Char('"') +
                           Tools::RTrim(Tools::HexToString(payload.sliced(at, 2 * length))) +
                           QLatin1Char('"');
            at += 2 * length;
        }
        text = QStringLiteral("version info: ") + entries.join(QStringLiteral(", "));
        if (entries.size() > 3)
            text += QStringLiteral(" [more than three entries]");
        break;
    }
    case FrameCode::DataRequest:
        text = QStringLiteral("data request, kind \"%1\"%2")
                   .arg(QString::fromLatin1(payload.toByteArray()),
                        payload == "20" ? QStringLiteral(" (button codes)") : QString());
        break;
    case FrameCode::DataBlock:
        text = QStringLiteral("data block, ") + describeCodes(payload);
        break;
    case FrameCode::ChecksumAck:
        text = QStringLiteral("checksum acknowledgement %1").arg(Tools::HexToString(payload));
        break;
    case FrameCode::ResetRequest:
        text = QStringLiteral("reset request");
        break;
    case FrameCode::ResetDone:
        text = QStringLiteral("reset done");
        break;
    case FrameCode::AcuVersion:
        text = QStringLiteral("ACU version \"%1\"").arg(Tools::HexToString(payload));
        break;
    case FrameCode::CanBusAddress:
        text = QStringLiteral("CAN bus address %1").arg(wordAt(payload, 0));
        break;
    default:
        text = QStringLiteral("code %1").arg(codeText(code));
    }
    if (!isHexText(payload))
        text += QStringLiteral(" [payload is not upper-case hex text]");
    return text;
}
