#include "link/CommTools.h"

#include <QScopeGuard>
#include <limits>

#include "app/ZtTools.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/Frame.h"
#include "link/SerialPort.h"
#include "log/AppLog.h"
#include "settings/INITools.h"

namespace {

const QString SectionComm = QStringLiteral("Comm");

// A number setting: the integer part of "0" + trimmed text; not a number or beyond the
// given range is a failure of the step. The time values may be negative ("no time-out"), so
// there a leading minus sign is read as one.
qint64 readNumber(const QString &ini, const QString &key, const QString &def, qint64 lo, qint64 hi,
                  bool negativeAllowed = false)
{
    const QString text = INI_ReadValue(ini, SectionComm, key, def);
    const QString trimmed = Tools::Trim(text);
    const bool negative = negativeAllowed && trimmed.startsWith(QLatin1Char('-'));
    qint64 value = 0;
    if (!Tools::ValOfChecked(negative ? trimmed.mid(1) : trimmed, value))
        throw ZtError(QStringLiteral("%1: not a number: %2").arg(key, text));
    if (negative)
        value = -value;
    if (value < lo || value > hi)
        throw ZtError(QStringLiteral("%1: out of range: %2").arg(key, text));
    return value;
}

bool readYes(const QString &ini, const QString &key, const QString &def)
{
    return Tools::IsYes(INI_ReadValue(ini, SectionComm, key, def));
}

void writeValue(const QString &ini, const QString &key, const QString &value)
{
    if (!INI_WriteValue(ini, SectionComm, key, value))
        throw ZtError(QStringLiteral("%1: cannot write %2").arg(key, ini));
}

// Numbers are written with a blank in the sign position, as the reader trims it away.
QString number(qint64 v)
{
    return (v >= 0 ? QStringLiteral(" ") : QString()) + QString::number(v);
}
QString yesNo(bool on)
{
    return on ? QStringLiteral("yes") : QStringLiteral("no");
}

constexpr qint64 I16Min = std::numeric_limits<qint16>::min();
constexpr qint64 I16Max = std::numeric_limits<qint16>::max();
constexpr qint64 I32Min = std::numeric_limits<qint32>::min();
constexpr qint64 I32Max = std::numeric_limits<qint32>::max();

} // namespace

CommTools::CommTools(ZtTools &zt, SerialPort &comm, QObject *parent)
    : QObject(parent), m_zt(zt), m_comm(comm)
{
    m_timerComm.setInterval(0);
    // The collector runs TimerInterval after a burst, not a few percent before it.
    m_timerComm.setTimerType(Qt::PreciseTimer);
    connect(&m_timerComm, &QTimer::timeout, this, &CommTools::Comm_WaitForData);
    connect(&m_comm, &SerialPort::onComm, this, &CommTools::Comm_OnComm);
    connect(&m_comm, &SerialPort::portLost, this, &CommTools::onPortLost);
    // One cheap look a second is quick enough for a person plugging a cable back in.
    m_reconnect.setInterval(1000);
    connect(&m_reconnect, &QTimer::timeout, this, &CommTools::reconnectTick);
    m_zt.setPortCloser([this] { return Comm_ClosePort(); });
}

void CommTools::status(const QString &text)
{
    m_zt.StatusText(text);
}

void CommTools::log(const QString &text)
{
    m_zt.log().WriteLog(text);
}

void CommTools::box(const QString &text, BoxIcon icon, bool always)
{
    if (always || m_zt.flags().ShowMsgBox)
        m_zt.op().messageBox(Tools::Trim(text), icon, m_zt.exeName());
}

QDeadlineTimer CommTools::deadline(qint64 extraMs) const
{
    if (TimeOut <= 0)
        return QDeadlineTimer(QDeadlineTimer::Forever);
    return QDeadlineTimer(qint64(TimeOut) * 1000 + extraMs);
}

// --- settings and lifecycle -------------------------------------------------------------

int CommTools::Comm_LoadSettings(SerialPort &comm)
{
    const QString &ini = m_zt.iniFileName();
    int step = 1;
    // Settings loaded anew take over from a watch for the old device.
    if (&comm == &m_comm)
        endWatch();
    const auto announce = qScopeGuard([&] {
        if (&comm == &m_comm)
            Q_EMIT linkChanged();
    });
    try {
        if (comm.portOpen())
            comm.setPortOpen(false);
        comm.setCommPort(
            int(readNumber(ini, QStringLiteral("Port"), QStringLiteral("2"), I16Min, I16Max)));
        step = 2;
        comm.setSettings(INI_ReadValue(ini, SectionComm, QStringLiteral("Settings"),
                                       QStringLiteral("19200,n,8,1"))
                             .toUpper());
        step = 3;
        comm.setInBufferSize(int(readNumber(ini, QStringLiteral("InBufferSize"),
                                            QStringLiteral("1024"), I16Min, I16Max)));
        step = 4;
        comm.setOutBufferSize(int(readNumber(ini, QStringLiteral("OutBufferSize"),
                                             QStringLiteral("512"), I16Min, I16Max)));
        step = 5;
        comm.setDTREnable(readYes(ini, QStringLiteral("DTREnable"), QStringLiteral("yes")));
        step = 6;
        comm.setRTSEnable(readYes(ini, QStringLiteral("RTSEnable"), QStringLiteral("yes")));
        step = 7;
        comm.setHandshaking(int(
            readNumber(ini, QStringLiteral("HandShaking"), QStringLiteral("0"), I32Min, I32Max)));
        // Step 8, the fixed values (read all waiting bytes, binary, zero bytes dropped, an
        // event per arrival), is what every SerialPort does.
        step = 9;
        TimeOut = qint16(
            readNumber(ini, QStringLiteral("TimeOut"), QStringLiteral("10"), I16Min, I16Max, true));
        step = 10;
        ShowCancelDialog = readYes(ini, QStringLiteral("ShowCancelDialog"), QStringLiteral("yes"));
        step = 11;
        TimerInterval = qint16(readNumber(ini, QStringLiteral("TimerInterval"),
                                          QStringLiteral("500"), I16Min, I16Max, true));
    } catch (const std::exception &) {
        return step;
    }
    return 0;
}

int CommTools::Comm_SaveSettings(SerialPort &comm)
{
    const QString &ini = m_zt.iniFileName();
    int step = 1;
    const auto announce = qScopeGuard([&] {
        if (&comm == &m_comm)
            Q_EMIT linkChanged();
    });
    try {
        writeValue(ini, QStringLiteral("Port"), number(comm.commPort()));
        step = 2;
        writeValue(ini, QStringLiteral("Settings"), comm.settings().toUpper());
        step = 3;
        writeValue(ini, QStringLiteral("InBufferSize"), number(comm.inBufferSize()));
        step = 4;
        writeValue(ini, QStringLiteral("OutBufferSize"), number(comm.outBufferSize()));
        step = 5;
        writeValue(ini, QStringLiteral("DTREnable"), yesNo(comm.dtrEnable()));
        step = 6;
        writeValue(ini, QStringLiteral("RTSEnable"), yesNo(comm.rtsEnable()));
        step = 7;
        writeValue(ini, QStringLiteral("HandShaking"), number(comm.handshaking()));
        step = 9;
        writeValue(ini, QStringLiteral("TimeOut"), number(TimeOut));
        step = 10;
        writeValue(ini, QStringLiteral("ShowCancelDialog"), yesNo(ShowCancelDialog));
        step = 11;
        writeValue(ini, QStringLiteral("TimerInterval"), number(TimerInterval));
    } catch (const std::exception &) {
        return step;
    }
    return 0;
}

int CommTools::Comm_Init()
{
    const int r = Comm_LoadSettings(m_comm);
    if (r != 0)
        return r;
    const QString debug = INI_ReadValue(m_zt.iniFileName(), SectionComm, QStringLiteral("Debug"),
                                        QStringLiteral("0"));
    try {
        m_comm.setPortOpen(true);
        m_comm.setPortOpen(false);
    } catch (const std::exception &) {
        return 13;
    }
    CommDebug = int(qBound(I16Min, Tools::ValOf(debug), I16Max));
    if (CommDebug > 0)
        m_zt.op().showCommDebug();
    return 0;
}

bool CommTools::Comm_OpenPort()
{
    const auto announce = qScopeGuard([this] { Q_EMIT linkChanged(); });
    try {
        CommPortOpen = m_comm.portOpen();
        if (!CommPortOpen) {
            m_comm.setPortOpen(true);
            Tools::DoEvents();
            CommPortOpen = m_comm.portOpen();
        }
        if (CommPortOpen)
            endWatch();
        return CommPortOpen;
    } catch (const std::exception &e) {
        QString text = pre(m_zt.msg().text(QStringLiteral("Comm_OpenPort_Err")));
        ZtTools::FormatMessage(text, describe(e),
                               QStringLiteral(" ") + QString::number(m_comm.commPort()));
        box(text, BoxIcon::Exclamation, true);
        status(text);
        log(text);
        CommPortOpen = false;
        return false;
    }
}

bool CommTools::Comm_ClosePort()
{
    endWatch();
    const auto announce = qScopeGuard([this] { Q_EMIT linkChanged(); });
    try {
        CommPortOpen = m_comm.portOpen();
        if (CommPortOpen) {
            m_comm.setPortOpen(false);
            Tools::DoEvents();
            CommPortOpen = m_comm.portOpen();
        }
        return !CommPortOpen;
    } catch (const std::exception &e) {
        QString text = pre(m_zt.msg().text(QStringLiteral("Comm_ClosePort_Err")));
        ZtTools::FormatMessage(text, describe(e),
                               QStringLiteral(" ") + QString::number(m_comm.commPort()));
        box(text, BoxIcon::Exclamation, true);
        status(text);
        log(text);
        return false;
    }
}

// The device vanished (adapter pulled, far end gone): the port is already closed; say so
// once, let every wait on it end, and watch for the device to come back.
void CommTools::onPortLost(const QString &description)
{
    m_portLost = true;
    m_portLostText = description;
    CommPortOpen = false;
    QString text = pre(m_zt.msg().text(QStringLiteral("Comm_WaitForData_Err")));
    ZtTools::FormatMessage(
        text, QStringLiteral("%1 (COM%2 closed)").arg(description).arg(m_comm.commPort()));
    log(text);
    const QString lost = connectionText(QStringLiteral("Comm_Connection_Lost"));
    status(lost);
    log(lost);
    m_reconnect.start();
    Q_EMIT linkChanged();
}

QString CommTools::connectionText(const QString &key)
{
    QString text = pre(m_zt.msg().text(key));
    return ZtTools::FormatMessage(text, m_comm.portDevice(),
                                  QStringLiteral(" ") + QString::number(m_comm.commPort()));
}

void CommTools::reconnectTick()
{
    if (m_comm.portOpen()) {
        endWatch(); // opened by someone else meanwhile
        Q_EMIT linkChanged();
        return;
    }
    if (!m_comm.deviceAvailable())
        return;
    try {
        m_comm.setPortOpen(true);
    } catch (const std::exception &) {
    }
    if (!m_comm.portOpen())
        return; // back, but not ready yet (its rights may still be being set): next second
    endWatch();
    CommPortOpen = m_comm.portOpen();
    // Whatever was in the buffer belongs to the session that was cut off.
    CommInBuffer.clear();
    const QString restored = connectionText(QStringLiteral("Comm_Connection_Restored"));
    status(restored);
    log(restored);
    Q_EMIT linkChanged();
}

void CommTools::endWatch()
{
    m_reconnect.stop();
    m_portLost = false;
}

QString CommTools::lineText(const QString &settings)
{
    const QStringList f = settings.split(QLatin1Char(','));
    if (f.size() != 4)
        return settings;
    return f[0].trimmed() + QLatin1Char(' ') + f[2].trimmed() + f[1].trimmed().toUpper() +
           f[3].trimmed();
}

QString CommTools::Comm_LinkText()
{
    QString state;
    if (m_comm.portOpen())
        state = m_zt.msg().text(QStringLiteral("Comm_Link_Open"));
    else if (m_portLost)
        state = m_zt.msg().text(QStringLiteral("Comm_Link_Lost"));
    else
        state = m_zt.msg().text(QStringLiteral("Comm_Link_Closed"));
    return QStringLiteral("COM%1  %2  %3  %4")
        .arg(QString::number(m_comm.commPort()), m_comm.portDevice(), lineText(m_comm.settings()),
             Tools::Trim(state));
}

bool CommTools::portGone() const
{
    return m_portLost && !m_comm.portOpen();
}

// --- transfer window ---------------------------------------------------------------------

void CommTools::Comm_ShowTransferForm()
{
    m_zt.op().setHourglass(true);
    if (ShowCancelDialog) {
        m_zt.op().showTransferWindow(CommTransferCaption, [this] { cancelPressed(); });
        CommTransferCaption.clear();
    }
}

void CommTools::Comm_HideTransferForm()
{
    m_zt.op().setHourglass(false);
    Tools::DoEvents();
    if (ShowCancelDialog)
        m_zt.op().hideTransferWindow();
}

void CommTools::cancelPressed()
{
    CommCancel = true;
    m_zt.op().hideTransferWindow();
}

// --- transmit ---------------------------------------------------------------------------

// Bits per character from the line settings (start + data + parity + stop), at the baud rate.
qint64 CommTools::wireTimeMs(qint64 bytes) const
{
    const QStringList parts = m_comm.settings().split(QLatin1Char(','));
    const qint64 baud = parts.value(0).trimmed().toLongLong();
    if (baud <= 0)
        return 0;
    const int bits = 1 + qMax(parts.value(2).toInt(), 5) +
                     (parts.value(1).trimmed().toUpper() == QLatin1String("N") ? 0 : 1) + 2;
    return (bytes * bits * 1000 + baud - 1) / baud;
}

bool CommTools::Comm_TransmitData(const QByteArray &frame, const QString &caption)
{
    try {
        // While the device is away, say so at once rather than fail on the closed port.
        if (portGone())
            throw ZtError(Tools::Trim(connectionText(QStringLiteral("Comm_Connection_Lost"))));
        const QString info = pre(m_zt.msg().text(QStringLiteral("Comm_TransmitData_Info")));
        log(info);
        status(info);
        if (!caption.isEmpty())
            Comm_SetTransferCaption(caption);
        m_zt.op().setHourglass(true);
        CommCancel = false;
        const QDeadlineTimer until = deadline();
        Comm_ShowTransferForm();

        const qsizetype chunk = m_comm.outBufferSize() > 0 ? m_comm.outBufferSize() : frame.size();
        for (qsizetype pos = 0; pos < frame.size(); pos += chunk) {
            m_comm.output(frame.mid(pos, chunk));
            const bool drained =
                Tools::WaitUntil([&] { return CommCancel || m_comm.outBufferCount() == 0; }, until);
            if (!drained) {
                Comm_HideTransferForm();
                const QString text =
                    pre(m_zt.msg().text(QStringLiteral("Comm_TransmitData_Timeout_Err")));
                box(text, BoxIcon::Exclamation);
                status(text);
                log(text);
                return false;
            }
            if (CommCancel) {
                Comm_HideTransferForm();
                const QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Action_Cancelled")));
                box(text, BoxIcon::Exclamation);
                status(text);
                log(text);
                return false;
            }
        }
        m_lastFrameWireMs = wireTimeMs(frame.size());
        Comm_HideTransferForm();
        const QString done = pre(m_zt.msg().text(QStringLiteral("Comm_TransferDone")));
        log(done);
        status(done);
        m_zt.op().setHourglass(false);
        return true;
    } catch (const std::exception &e) {
        Comm_HideTransferForm();
        QString text = pre(m_zt.msg().text(QStringLiteral("Comm_TransmitData_Err")));
        ZtTools::FormatMessage(text, describe(e));
        box(text, BoxIcon::Exclamation, true);
        status(text);
        log(text);
        m_zt.op().setHourglass(false);
        return false;
    }
}

// --- receive ----------------------------------------------------------------------------

// The port's receive notification. It only moves bytes into CommInBuffer and arms the
// timer: running window events here (a log line into the protocol window, a box, a wait,
// interpretation) re-enters the event loop inside the port's own notification, which then
// stops reading until it returns, and with a full read buffer the link stops for good.
// Whatever it has to report is written later, from the event loop.
void CommTools::Comm_OnComm()
{
    if (m_comm.commEvent() != SerialPort::EvReceive)
        return;
    if (CommInBuffer.isEmpty())
        m_capLogged = false;
    CommInBuffer += m_comm.input();
    if (CommInBuffer.size() > InBufferCap) {
        // Keep the newest frame start so that a valid frame after noise is still understood.
        qsizetype from = CommInBuffer.size() - InBufferCap;
        for (qsizetype i = CommInBuffer.size() - 1; i >= from; --i) {
            if (isCommandByte(CommInBuffer.at(i))) {
                from = i;
                break;
            }
        }
        const qsizetype dropped = from;
        CommInBuffer.remove(0, from);
        if (!m_capLogged) {
            m_capLogged = true;
            QString text = pre(m_zt.msg().text(QStringLiteral("Comm_WaitForData_Err")));
            ZtTools::FormatMessage(
                text, QStringLiteral("receive buffer full, %1 older bytes dropped").arg(dropped));
            QMetaObject::invokeMethod(
                this, [this, text] { log(text); }, Qt::QueuedConnection);
        }
    }
    // An interval of 0 or less leaves the timer idle, as the setting says.
    if (TimerInterval > 0)
        m_timerComm.start(TimerInterval);
    else
        m_timerComm.stop();
}

// Hands every complete frame in the buffer to the interpreter, in arrival order; bytes that
// cannot belong to a frame are dropped and logged with their count. An incomplete frame is
// waited for until it ends, the time-out passes or the operator cancels.
void CommTools::Comm_WaitForData()
{
    if (CommWaitingForResponse || m_collecting)
        return;
    if (CommInBuffer.isEmpty()) {
        m_timerComm.stop();
        return;
    }
    m_collecting = true;
    bool shown = false;
    try {
        m_timerComm.stop();
        Tools::DoEvents();
        for (;;) {
            qsizetype dropped = 0;
            const QList<QByteArray> frames = takeFrames(CommInBuffer, dropped);
            if (dropped > 0) {
                QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Bytes_Dropped")));
                ZtTools::FormatMessage(text, QString::number(dropped));
                log(text);
            }
            if (frames.isEmpty() && CommInBuffer.isEmpty())
                break;
            if (!shown) {
                shown = true;
                const QString receiving = m_zt.msg().text(QStringLiteral("Comm_Receiving_Data"));
                status(receiving);
                log(receiving);
                Comm_ShowTransferForm();
                CommCancel = false;
            }
            for (const QByteArray &frame : frames)
                if (m_interpreter)
                    m_interpreter(Tools::ByteToHex(quint8(frame.at(0))), frame);
            if (!frames.isEmpty())
                continue; // bytes may have arrived meanwhile
            Tools::WaitUntil([&] { return holdsFrame(CommInBuffer) || CommCancel || portGone(); },
                             deadline());
            if (CommCancel) {
                CommInBuffer.clear();
                const QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Cancelled")));
                status(text);
                log(text);
                break;
            }
            if (holdsFrame(CommInBuffer))
                continue;
            CommInBuffer.clear();
            if (portGone())
                throw ZtError(m_portLostText);
            const QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Timeout_Short")));
            status(text);
            log(text);
            box(pre(m_zt.msg().text(QStringLiteral("Comm_Timeout_Completing_Data"))),
                BoxIcon::Exclamation);
            break;
        }
        if (shown)
            Comm_HideTransferForm();
        m_collecting = false;
    } catch (const std::exception &e) {
        if (shown)
            Comm_HideTransferForm();
        QString text = pre(m_zt.msg().text(QStringLiteral("Comm_WaitForData_Err")));
        ZtTools::FormatMessage(text, describe(e));
        log(text);
        m_timerComm.stop();
        m_collecting = false;
        m_zt.op().setHourglass(false);
    }
}

bool CommTools::Comm_WaitForResponse(const QByteArray &expectedCode, const QString &caption)
{
    CommWaitingForResponse = true;
    try {
        QString waiting = pre(m_zt.msg().text(QStringLiteral("Comm_Waiting_For_Answer")));
        ZtTools::FormatMessage(waiting, QString::fromLatin1(expectedCode));
        status(waiting);
        log(waiting);
        if (!caption.isEmpty())
            Comm_SetTransferCaption(caption);
        Comm_ShowTransferForm();
        CommCancel = false;
        // The answer is left in the buffer, with any frames around it, for the collector.
        const int want = Tools::HexToByte(expectedCode);
        const auto arrived = [&] { return holdsFrame(CommInBuffer, want); };
        // The request may still be on the wire when the output buffer is empty.
        Tools::WaitUntil([&] { return arrived() || CommCancel || portGone(); },
                         deadline(m_lastFrameWireMs));
        bool result = false;
        if (CommCancel) {
            CommInBuffer.clear();
            const QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Cancelled")));
            status(text);
            log(text);
        } else if (arrived()) {
            result = true;
        } else if (portGone()) {
            throw ZtError(m_portLostText);
        } else {
            // Frames the device sent meanwhile are still interpreted; only the unfinished
            // rest goes.
            qsizetype dropped = 0;
            CommInBuffer = takeFrames(CommInBuffer, dropped).join();
            QString text = pre(m_zt.msg().text(QStringLiteral("Comm_Timeout_Waiting_For_Answer")));
            ZtTools::FormatMessage(text, QString::fromLatin1(expectedCode));
            box(text, BoxIcon::Exclamation);
            const QString shortText = pre(m_zt.msg().text(QStringLiteral("Comm_Timeout_Short")));
            status(shortText);
            log(shortText);
        }
        Comm_HideTransferForm();
        CommWaitingForResponse = false;
        return result;
    } catch (const std::exception &e) {
        Comm_HideTransferForm();
        QString text = pre(m_zt.msg().text(QStringLiteral("Comm_WaitForResponse_Err")));
        ZtTools::FormatMessage(text, describe(e));
        log(text);
        m_zt.op().setHourglass(false);
        CommWaitingForResponse = false;
        CommInBuffer.clear();
        return false;
    }
}
