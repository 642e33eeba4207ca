#include "link/CommTools.h"

#include <QScopeGuard>
#include <functional>
#include <limits>

#include "common/FlagGuard.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/Frame.h"
#include "link/SerialPort.h"
#include "settings/INITools.h"
#include "settings/Messages.h"

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

// How often a transmit looks whether the port's output queue has drained: a few
// characters' time on a slow line, and no load worth speaking of.
constexpr int DrainPollMs = 10;

} // namespace

CommTools::CommTools(const LinkReport &report, const QString &iniFile, SerialPort &comm,
                     QObject *parent)
    : QObject(parent), m_report(report), m_iniFile(iniFile), m_comm(comm)
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
}

QDeadlineTimer CommTools::deadline(qint64 extraMs) const
{
    if (m_timeOut <= 0)
        return QDeadlineTimer(QDeadlineTimer::Forever);
    return QDeadlineTimer(qint64(m_timeOut) * 1000 + extraMs);
}

// --- settings and lifecycle -------------------------------------------------------------

int CommTools::Comm_LoadSettings(SerialPort &comm, QList<int> *failedSteps)
{
    const QString &ini = m_iniFile;
    // Settings loaded anew take over from a watch for the old device.
    if (&comm == &m_comm)
        endWatch();
    const auto announce = qScopeGuard([&] {
        if (&comm == &m_comm)
            Q_EMIT linkChanged();
    });
    // Every step runs, so one unusable value leaves the others loaded; the result is the
    // first step that failed.
    int first = 0;
    const auto step = [&](int number, const std::function<void()> &run) {
        try {
            run();
        } catch (const std::exception &) {
            if (first == 0)
                first = number;
            if (failedSteps)
                failedSteps->append(number);
        }
    };
    step(1, [&] {
        if (comm.portOpen())
            comm.setPortOpen(false);
        comm.setCommPort(
            int(readNumber(ini, QStringLiteral("Port"), QStringLiteral("2"), I16Min, I16Max)));
    });
    step(2, [&] {
        comm.setSettings(INI_ReadValue(ini, SectionComm, QStringLiteral("Settings"),
                                       QStringLiteral("19200,n,8,1"))
                             .toUpper());
    });
    step(3, [&] {
        comm.setInBufferSize(int(readNumber(ini, QStringLiteral("InBufferSize"),
                                            QStringLiteral("1024"), I16Min, I16Max)));
    });
    step(4, [&] {
        comm.setOutBufferSize(int(readNumber(ini, QStringLiteral("OutBufferSize"),
                                             QStringLiteral("512"), I16Min, I16Max)));
    });
    step(5, [&] {
        comm.setDTREnable(readYes(ini, QStringLiteral("DTREnable"), QStringLiteral("yes")));
    });
    step(6, [&] {
        comm.setRTSEnable(readYes(ini, QStringLiteral("RTSEnable"), QStringLiteral("yes")));
    });
    step(7, [&] {
        comm.setHandshaking(int(
            readNumber(ini, QStringLiteral("HandShaking"), QStringLiteral("0"), I32Min, I32Max)));
    });
    // Step 8, the fixed values (read all waiting bytes, binary, zero bytes dropped, an
    // event per arrival), is what every SerialPort does.
    step(9, [&] {
        m_timeOut = qint16(
            readNumber(ini, QStringLiteral("TimeOut"), QStringLiteral("10"), I16Min, I16Max, true));
    });
    step(10, [&] {
        m_showCancelDialog =
            readYes(ini, QStringLiteral("ShowCancelDialog"), QStringLiteral("yes"));
    });
    step(11, [&] {
        m_timerInterval = qint16(readNumber(ini, QStringLiteral("TimerInterval"),
                                            QStringLiteral("500"), I16Min, I16Max, true));
    });
    return first;
}

int CommTools::Comm_SaveSettings(SerialPort &comm, const QList<int> &keepStored)
{
    const QString &ini = m_iniFile;
    int step = 1;
    const auto announce = qScopeGuard([&] {
        if (&comm == &m_comm)
            Q_EMIT linkChanged();
    });
    const auto write = [&](int number, const QString &key, const QString &value) {
        step = number;
        if (!keepStored.contains(number))
            writeValue(ini, key, value);
    };
    try {
        write(1, QStringLiteral("Port"), number(comm.commPort()));
        write(2, QStringLiteral("Settings"), comm.settings().toUpper());
        write(3, QStringLiteral("InBufferSize"), number(comm.inBufferSize()));
        write(4, QStringLiteral("OutBufferSize"), number(comm.outBufferSize()));
        write(5, QStringLiteral("DTREnable"), yesNo(comm.dtrEnable()));
        write(6, QStringLiteral("RTSEnable"), yesNo(comm.rtsEnable()));
        write(7, QStringLiteral("HandShaking"), number(comm.handshaking()));
        write(9, QStringLiteral("TimeOut"), number(m_timeOut));
        write(10, QStringLiteral("ShowCancelDialog"), yesNo(m_showCancelDialog));
        write(11, QStringLiteral("TimerInterval"), number(m_timerInterval));
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
    const QString debug =
        INI_ReadValue(m_iniFile, SectionComm, QStringLiteral("Debug"), QStringLiteral("0"));
    try {
        m_comm.setPortOpen(true);
        m_comm.setPortOpen(false);
    } catch (const std::exception &) {
        return 13;
    }
    const qint64 commDebug = qBound(I16Min, Tools::ValOf(debug), I16Max);
    if (commDebug > 0)
        m_report.op().showCommDebug();
    return 0;
}

bool CommTools::Comm_OpenPort()
{
    const auto announce = qScopeGuard([this] { Q_EMIT linkChanged(); });
    try {
        m_portOpen = m_comm.portOpen();
        if (!m_portOpen) {
            m_comm.setPortOpen(true);
            Tools::DoEvents();
            m_portOpen = m_comm.portOpen();
        }
        if (m_portOpen)
            endWatch();
        return m_portOpen;
    } catch (const std::exception &e) {
        m_report.report(LinkReport::AlwaysBox | LinkReport::Status | LinkReport::Log,
                        QStringLiteral("Comm_OpenPort_Err"),
                        {describe(e), QStringLiteral(" ") + QString::number(m_comm.commPort())});
        m_portOpen = false;
        return false;
    }
}

bool CommTools::Comm_ClosePort()
{
    endWatch();
    const auto announce = qScopeGuard([this] { Q_EMIT linkChanged(); });
    try {
        m_portOpen = m_comm.portOpen();
        if (m_portOpen) {
            m_comm.setPortOpen(false);
            Tools::DoEvents();
            m_portOpen = m_comm.portOpen();
        }
        return !m_portOpen;
    } catch (const std::exception &e) {
        m_report.report(LinkReport::AlwaysBox | LinkReport::Status | LinkReport::Log,
                        QStringLiteral("Comm_ClosePort_Err"),
                        {describe(e), QStringLiteral(" ") + QString::number(m_comm.commPort())});
        return false;
    }
}

// The device vanished (adapter pulled, far end gone): the port is already closed; say so
// once, let every wait on it end, and watch for the device to come back.
void CommTools::onPortLost(const QString &description)
{
    m_portLost = true;
    m_portLostText = description;
    m_portOpen = false;
    m_report.report(LinkReport::Log, QStringLiteral("Comm_WaitForData_Err"),
                    {QStringLiteral("%1 (COM%2 closed)").arg(description).arg(m_comm.commPort())});
    m_report.show(connectionText(QStringLiteral("Comm_Connection_Lost")),
                  LinkReport::Status | LinkReport::Log);
    m_reconnect.start();
    Q_EMIT linkChanged();
}

QString CommTools::connectionText(const QString &key)
{
    return m_report.text(
        key, {m_comm.portDevice(), QStringLiteral(" ") + QString::number(m_comm.commPort())});
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
    m_portOpen = m_comm.portOpen();
    // Whatever was in the buffer belongs to the session that was cut off.
    m_inBuffer.clear();
    m_report.show(connectionText(QStringLiteral("Comm_Connection_Restored")),
                  LinkReport::Status | LinkReport::Log);
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
        state = m_report.messages().text(QStringLiteral("Comm_Link_Open"));
    else if (m_portLost)
        state = m_report.messages().text(QStringLiteral("Comm_Link_Lost"));
    else
        state = m_report.messages().text(QStringLiteral("Comm_Link_Closed"));
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
    m_report.op().setHourglass(true);
    if (m_showCancelDialog) {
        m_report.op().showTransferWindow(m_transferCaption, [this] { cancelPressed(); });
        m_transferCaption.clear();
    }
}

void CommTools::Comm_HideTransferForm()
{
    m_report.op().setHourglass(false);
    Tools::DoEvents();
    if (m_showCancelDialog)
        m_report.op().hideTransferWindow();
}

void CommTools::cancelPressed()
{
    m_cancel = true;
    m_report.op().hideTransferWindow();
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
        m_report.report(LinkReport::Status | LinkReport::Log,
                        QStringLiteral("Comm_TransmitData_Info"));
        if (!caption.isEmpty())
            Comm_SetTransferCaption(caption);
        m_report.op().setHourglass(true);
        m_cancel = false;
        const QDeadlineTimer until = deadline();
        Comm_ShowTransferForm();

        const qsizetype chunk = m_comm.outBufferSize() > 0 ? m_comm.outBufferSize() : frame.size();
        for (qsizetype pos = 0; pos < frame.size(); pos += chunk) {
            m_comm.output(frame.mid(pos, chunk));
            // The driver's queue drains without an event, so its count is polled.
            const bool drained = Tools::WaitUntil(
                [&] { return m_cancel || m_comm.outBufferCount() == 0; }, until, DrainPollMs);
            if (!drained) {
                Comm_HideTransferForm();
                m_report.report(LinkReport::Box | LinkReport::Status | LinkReport::Log,
                                QStringLiteral("Comm_TransmitData_Timeout_Err"));
                return false;
            }
            if (m_cancel) {
                Comm_HideTransferForm();
                m_report.report(LinkReport::Box | LinkReport::Status | LinkReport::Log,
                                QStringLiteral("Comm_Action_Cancelled"));
                return false;
            }
        }
        m_lastFrameWireMs = wireTimeMs(frame.size());
        Comm_HideTransferForm();
        m_report.report(LinkReport::Status | LinkReport::Log, QStringLiteral("Comm_TransferDone"));
        m_report.op().setHourglass(false);
        return true;
    } catch (const std::exception &e) {
        Comm_HideTransferForm();
        m_report.report(LinkReport::AlwaysBox | LinkReport::Status | LinkReport::Log,
                        QStringLiteral("Comm_TransmitData_Err"), {describe(e)});
        m_report.op().setHourglass(false);
        return false;
    }
}

bool CommTools::Comm_TransmitRequest(const QByteArray &frame, const QString &caption)
{
    const FlagGuard aside(m_waitingForResponse);
    return Comm_TransmitData(frame, caption);
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
    if (m_inBuffer.isEmpty())
        m_capLogged = false;
    m_inBuffer += m_comm.input();
    if (m_inBuffer.size() > InBufferCap) {
        // Keep the newest frame start so that a valid frame after noise is still understood.
        qsizetype from = m_inBuffer.size() - InBufferCap;
        for (qsizetype i = m_inBuffer.size() - 1; i >= from; --i) {
            if (isCommandByte(m_inBuffer.at(i))) {
                from = i;
                break;
            }
        }
        const qsizetype dropped = from;
        m_inBuffer.remove(0, from);
        if (!m_capLogged) {
            m_capLogged = true;
            const QString text = m_report.text(
                QStringLiteral("Comm_WaitForData_Err"),
                {QStringLiteral("receive buffer full, %1 older bytes dropped").arg(dropped)});
            QMetaObject::invokeMethod(
                this, [this, text] { m_report.show(text, LinkReport::Log); }, Qt::QueuedConnection);
        }
    }
    // An interval of 0 or less leaves the timer idle, as the setting says.
    if (m_timerInterval > 0)
        m_timerComm.start(m_timerInterval);
    else
        m_timerComm.stop();
}

// Hands every complete frame in the buffer to the interpreter, in arrival order; bytes that
// cannot belong to a frame are dropped and logged with their count. An incomplete frame is
// waited for until it ends, the time-out passes or the operator cancels.
void CommTools::Comm_WaitForData()
{
    if (m_waitingForResponse || m_collecting)
        return;
    if (m_inBuffer.isEmpty()) {
        m_timerComm.stop();
        return;
    }
    const FlagGuard collecting(m_collecting);
    bool shown = false;
    try {
        m_timerComm.stop();
        Tools::DoEvents();
        for (;;) {
            qsizetype dropped = 0;
            const QList<QByteArray> frames = takeFrames(m_inBuffer, dropped);
            if (dropped > 0) {
                m_report.report(LinkReport::Log, QStringLiteral("Comm_Bytes_Dropped"),
                                {QString::number(dropped)});
            }
            if (frames.isEmpty() && m_inBuffer.isEmpty())
                break;
            if (!shown) {
                shown = true;
                m_report.show(m_report.messages().text(QStringLiteral("Comm_Receiving_Data")),
                              LinkReport::Status | LinkReport::Log);
                Comm_ShowTransferForm();
                m_cancel = false;
            }
            for (const QByteArray &frame : frames)
                if (m_interpreter)
                    m_interpreter(Tools::ByteToHex(quint8(frame.at(0))), frame);
            if (!frames.isEmpty())
                continue; // bytes may have arrived meanwhile
            Tools::WaitUntil([&] { return holdsFrame(m_inBuffer) || m_cancel || portGone(); },
                             deadline());
            if (m_cancel) {
                m_inBuffer.clear();
                m_report.report(LinkReport::Status | LinkReport::Log,
                                QStringLiteral("Comm_Cancelled"));
                break;
            }
            if (holdsFrame(m_inBuffer))
                continue;
            m_inBuffer.clear();
            if (portGone())
                throw ZtError(m_portLostText);
            m_report.report(LinkReport::Status | LinkReport::Log,
                            QStringLiteral("Comm_Timeout_Short"));
            m_report.report(LinkReport::Box, QStringLiteral("Comm_Timeout_Completing_Data"));
            break;
        }
        if (shown)
            Comm_HideTransferForm();
    } catch (const std::exception &e) {
        if (shown)
            Comm_HideTransferForm();
        m_report.report(LinkReport::Log, QStringLiteral("Comm_WaitForData_Err"), {describe(e)});
        m_timerComm.stop();
        m_report.op().setHourglass(false);
    }
}

bool CommTools::Comm_WaitForResponse(const QByteArray &expectedCode, const QString &caption)
{
    const FlagGuard waiting(m_waitingForResponse);
    try {
        m_report.report(LinkReport::Status | LinkReport::Log,
                        QStringLiteral("Comm_Waiting_For_Answer"),
                        {QString::fromLatin1(expectedCode)});
        if (!caption.isEmpty())
            Comm_SetTransferCaption(caption);
        Comm_ShowTransferForm();
        m_cancel = false;
        // The answer is left in the buffer, with any frames around it, for the collector.
        const int want = Tools::HexToByte(expectedCode);
        const auto arrived = [&] { return holdsFrame(m_inBuffer, want); };
        // The request may still be on the wire when the output buffer is empty.
        Tools::WaitUntil([&] { return arrived() || m_cancel || portGone(); },
                         deadline(m_lastFrameWireMs));
        bool result = false;
        if (m_cancel) {
            m_inBuffer.clear();
            m_report.report(LinkReport::Status | LinkReport::Log, QStringLiteral("Comm_Cancelled"));
        } else if (arrived()) {
            result = true;
        } else if (portGone()) {
            throw ZtError(m_portLostText);
        } else {
            // Frames the device sent meanwhile are still interpreted; only the unfinished
            // rest goes.
            qsizetype dropped = 0;
            m_inBuffer = takeFrames(m_inBuffer, dropped).join();
            m_report.report(LinkReport::Box, QStringLiteral("Comm_Timeout_Waiting_For_Answer"),
                            {QString::fromLatin1(expectedCode)});
            m_report.report(LinkReport::Status | LinkReport::Log,
                            QStringLiteral("Comm_Timeout_Short"));
        }
        Comm_HideTransferForm();
        return result;
    } catch (const std::exception &e) {
        Comm_HideTransferForm();
        m_report.report(LinkReport::Log, QStringLiteral("Comm_WaitForResponse_Err"), {describe(e)});
        m_report.op().setHourglass(false);
        m_inBuffer.clear();
        return false;
    }
}
