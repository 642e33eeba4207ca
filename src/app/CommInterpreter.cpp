#include "app/CommInterpreter.h"

#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/CommTools.h"
#include "link/Frame.h"

CommInterpreter::CommInterpreter(ZtTools &zt, CommTools &comm) : m_zt(zt), m_comm(comm)
{
    m_comm.setInterpreter([this](const QByteArray &code, const QByteArray &frame) {
        Comm_InterpretCommand(code, frame);
    });
}

void CommInterpreter::Comm_InterpretCommand(const QByteArray &code, const QByteArray &frame)
{
    const QByteArrayView payload = framePayload(frame);
    Messages &msg = m_zt.msg();
    try {
        if (code == "80") {
            if (m_comm.Comm_TransmitData(makeFrame(FrameCode::OnlineTestAnswer)))
                m_comm.status(
                    CommTools::pre(msg.text(QStringLiteral("Comm_OnlineTest_Request_Info"))));
        } else if (code == "81") {
            const QString text = CommTools::pre(msg.text(QStringLiteral("Comm_OnlineTest_Info")));
            m_comm.box(text, BoxIcon::Information);
            m_comm.status(text);
        } else if (code == "82") {
            QByteArray answer;
            BuildVersionInfo(answer);
            if (m_comm.Comm_TransmitData(answer))
                m_comm.status(CommTools::pre(msg.text(QStringLiteral("Comm_VersionInfo_Sent"))));
        } else if (code == "83") {
            versionCheck(payload);
        } else if (code == "84") {
            m_comm.RequestedCommand = payload.toByteArray();
            m_zt.op().startSendDataTimer(100);
        } else if (code == "85") {
            dataReceived(payload);
        } else if (code == "86") {
            acknowledged(payload);
        } else if (code == "87") {
            m_zt.DataReset(true, false, false);
            if (m_comm.Comm_TransmitData(makeFrame(FrameCode::ResetDone)))
                m_comm.status(CommTools::pre(msg.text(QStringLiteral("Comm_Reset_ByRequest"))));
        } else if (code == "88") {
            const QString text = CommTools::pre(msg.text(QStringLiteral("Comm_Reset_Done")));
            m_comm.box(text, BoxIcon::Information);
            m_comm.status(text);
        } else if (code == "89") {
            m_zt.pages().DataSet_FromPages();
            m_zt.Data.ACUVersion.set(Tools::HexToString(payload));
            m_zt.pages().DataSet_ToPages();
            m_zt.StatusText(QString());
            // This text is German in every language.
            const QString text = QStringLiteral("  ACU Versionsnummer empfangen");
            if (m_zt.Flags.ShowMsgBox)
                m_comm.box(text, BoxIcon::Information);
            else
                m_comm.status(text);
        } else {
            QString detail = CommTools::pre(msg.text(QStringLiteral("Comm_Command_Unknown")));
            ZtTools::FormatMessage(detail, QString::fromLatin1(code));
            throw ZtError(detail);
        }
    } catch (const std::exception &e) {
        QString text = CommTools::pre(msg.text(QStringLiteral("Comm_InterpretCommand_Err")));
        ZtTools::FormatMessage(text, describe(e));
        m_comm.log(text);
        m_zt.op().setHourglass(false);
    }
}

void CommInterpreter::versionCheck(QByteArrayView payload)
{
    m_zt.pages().DataSet_FromPages();
    Interpret_VersionInfo(payload);
    m_zt.StatusText(QString());
    const QString device = Tools::Trim(m_zt.Data.TextStatus[0].text()).toUpper();
    const QString &product = m_zt.Flags.ProductVersion;
    if (!product.startsWith(QLatin1Char('*')) && !device.contains(product)) {
        const QString text =
            QStringLiteral("Bitte benutzen Sie die PC-Software-Version '") + product +
            QStringLiteral("'...\r\nDanke!\r\n\r\nPlease use the pc software version '") + product +
            QStringLiteral("'...\r\nThank you!");
        m_zt.op().messageBox(text, BoxIcon::Stop, m_zt.op().mainCaption());
        m_zt.EndProg(false);
        return;
    }
    const QString text =
        CommTools::pre(m_zt.msg().text(QStringLiteral("Comm_VersionInfo_Received")));
    if (m_zt.Flags.ShowMsgBox)
        m_comm.box(text, BoxIcon::Information);
    else
        m_comm.status(text);
}

void CommInterpreter::dataReceived(QByteArrayView payload)
{
    const QByteArray ack =
        makeFrame(FrameCode::ChecksumAck, checksumAckPayload(Comm_Checksum(payload)));
    // Data whose acknowledgement did not go out is dropped: the device will send it again.
    if (!m_comm.Comm_TransmitData(ack))
        return;
    Interpret_HexData(payload);
    m_zt.MarkDataClean();
    const QString text = CommTools::pre(m_zt.msg().text(QStringLiteral("Comm_Data_Received")));
    m_comm.box(text, BoxIcon::Information);
    m_comm.status(text);
    m_comm.log(text);
}

void CommInterpreter::acknowledged(QByteArrayView payload)
{
    const QString text = Tools::HexToString(payload);
    qint64 checksum = 0;
    if (!Tools::ValOfChecked(text, checksum))
        throw ZtError(QStringLiteral("Acknowledged checksum is not a number: '%1'").arg(text));
    if (checksum == m_comm.SentChecksum) {
        m_zt.MarkDataClean();
        const QString sent = CommTools::pre(m_zt.msg().text(QStringLiteral("Comm_Data_Sent")));
        m_comm.box(sent, BoxIcon::Exclamation);
        m_comm.status(sent);
        m_comm.log(sent);
    } else {
        const QString wrong = CommTools::pre(m_zt.msg().text(QStringLiteral("Comm_Checksum_Err")));
        m_comm.box(wrong, BoxIcon::Exclamation, true);
        m_comm.status(wrong);
        m_comm.log(wrong);
    }
}

void CommInterpreter::BuildVersionInfo(QByteArray &frame)
{
    m_zt.pages().DataSet_FromPages();
    const auto &t = m_zt.Data.TextStatus;
    frame = makeFrame(FrameCode::VersionInfo,
                      versionInfoPayload({t[0].text(), t[1].text(), t[2].text()}));
}

void CommInterpreter::Interpret_VersionInfo(QByteArrayView payload)
{
    auto &texts = m_zt.Data.TextStatus;
    for (auto &t : texts)
        t.set(QString());
    qsizetype pos = 0;
    int entry = 0;
    while (pos < payload.size()) {
        const int length =
            Tools::HexToByte(payload.sliced(pos, qMin<qsizetype>(2, payload.size() - pos)));
        pos += 2;
        QByteArray bytes;
        for (int i = 0; i < length; ++i) {
            if (pos >= payload.size()) {
                // A truncated entry is dropped; the ones before it stay.
                m_zt.pages().DataSet_ToPages();
                return;
            }
            bytes += char(
                Tools::HexToByte(payload.sliced(pos, qMin<qsizetype>(2, payload.size() - pos))));
            pos += 2;
        }
        if (entry >= int(texts.size()))
            throw ZtError(QStringLiteral("Version info holds more than three entries"));
        texts[entry++].set(Tools::RTrim(Tools::fromCp1252(bytes)));
    }
    m_zt.pages().DataSet_ToPages();
}

void CommInterpreter::Interpret_HexData(QByteArrayView payload)
{
    m_zt.op().setHourglass(true);
    try {
        m_zt.DataReset(true, false, false);
        const int cols = qBound(1, int(m_zt.Flags.CountKeyCols), 4);
        const int rows = qBound(1, int(m_zt.Flags.CountKeyRows), 25);
        // Missing pairs at the end of a short payload read as 0; surplus digits are ignored.
        const auto pairAt = [&](qsizetype pos) {
            if (pos >= payload.size())
                return 0;
            return Tools::HexToByte(payload.sliced(pos, qMin<qsizetype>(2, payload.size() - pos)));
        };
        qsizetype pos = 0;
        for (int g = 1; g <= cols; ++g) {
            for (int e = 1; e <= rows; ++e, pos += 4) {
                const int high = pairAt(pos);
                const int low = pairAt(pos + 2);
                if (high >= 128)
                    throw ZtError(
                        QStringLiteral("Button code %1 of group %2 entry %3 is out of range")
                            .arg(high * 256 + low)
                            .arg(g)
                            .arg(e));
                m_zt.Data.DataRecord.button(g, e) = qint16(high * 256 + low);
            }
        }
        m_zt.pages().DataSet_ToPages();
        if (m_zt.ProgramStarted) {
            m_zt.pages().DataSet_FromPages();
            m_zt.CheckDataSet(true);
            m_zt.pages().DataSet_ToPages();
        }
        m_zt.op().setHourglass(false);
    } catch (const std::exception &e) {
        QString text = CommTools::pre(m_zt.msg().text(QStringLiteral("Interpret_HexData_Err")));
        ZtTools::FormatMessage(text, describe(e));
        m_comm.log(text);
        m_zt.op().setHourglass(false);
    }
}
