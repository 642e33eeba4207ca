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
    const LinkReport &report = m_comm.report();
    using enum LinkReport::Way;
    // Two hex digits name the command; anything else is no command at all.
    bool isHex = false;
    const int command = code.size() == 2 ? code.toInt(&isHex, 16) : -1;
    try {
        switch (isHex ? command : -1) {
        case FrameCode::OnlineTest:
            if (m_comm.Comm_TransmitData(makeFrame(FrameCode::OnlineTestAnswer)))
                report.report(Status, QStringLiteral("Comm_OnlineTest_Request_Info"));
            break;
        case FrameCode::OnlineTestAnswer:
            report.report(Box | Status, QStringLiteral("Comm_OnlineTest_Info"), {},
                          BoxIcon::Information);
            break;
        case FrameCode::VersionRequest: {
            QByteArray answer;
            BuildVersionInfo(answer);
            if (m_comm.Comm_TransmitData(answer))
                report.report(Status, QStringLiteral("Comm_VersionInfo_Sent"));
            break;
        }
        case FrameCode::VersionInfo:
            versionCheck(payload);
            break;
        case FrameCode::DataRequest:
            m_comm.noteDataRequest(payload.toByteArray());
            m_zt.op().startSendDataTimer(100);
            break;
        case FrameCode::DataBlock:
            dataReceived(payload);
            break;
        case FrameCode::ChecksumAck:
            acknowledged(payload);
            break;
        case FrameCode::ResetRequest:
            m_zt.DataReset(true, false, false);
            if (m_comm.Comm_TransmitData(makeFrame(FrameCode::ResetDone)))
                report.report(Status, QStringLiteral("Comm_Reset_ByRequest"));
            break;
        case FrameCode::ResetDone:
            report.report(Box | Status, QStringLiteral("Comm_Reset_Done"), {},
                          BoxIcon::Information);
            break;
        case FrameCode::AcuVersion:
            m_zt.pages().DataSet_FromPages();
            m_zt.data().ACUVersion.set(Tools::HexToString(payload));
            m_zt.unsavedEdits().setDeviceAcuVersion(m_zt.data().ACUVersion);
            m_zt.pages().DataSet_ToPages();
            m_zt.history().sync(); // the device's own value: nothing to undo
            m_zt.StatusText(QString());
            // This text is German in every language.
            report.show(QStringLiteral("  ACU Versionsnummer empfangen"), BoxOrStatus,
                        BoxIcon::Information);
            break;
        default:
            throw ZtError(
                report.text(QStringLiteral("Comm_Command_Unknown"), {QString::fromLatin1(code)}));
        }
    } catch (const std::exception &e) {
        report.report(Log, QStringLiteral("Comm_InterpretCommand_Err"), {describe(e)});
        m_zt.op().setHourglass(false);
    }
}

void CommInterpreter::versionCheck(QByteArrayView payload)
{
    m_zt.pages().DataSet_FromPages();
    Interpret_VersionInfo(payload);
    m_zt.StatusText(QString());
    const QString device = Tools::Trim(m_zt.data().TextStatus[0].text()).toUpper();
    const QString &product = m_zt.flags().ProductVersion;
    if (!product.startsWith(QLatin1Char('*')) && !device.contains(product)) {
        const QString text =
            QStringLiteral("Bitte benutzen Sie die PC-Software-Version '") + product +
            QStringLiteral("'...\r\nDanke!\r\n\r\nPlease use the pc software version '") + product +
            QStringLiteral("'...\r\nThank you!");
        m_zt.op().messageBox(text, BoxIcon::Stop, m_zt.op().mainCaption());
        m_zt.EndProg(false);
        return;
    }
    m_comm.report().report(LinkReport::BoxOrStatus, QStringLiteral("Comm_VersionInfo_Received"), {},
                           BoxIcon::Information);
}

void CommInterpreter::dataReceived(QByteArrayView payload)
{
    const QByteArray ack =
        makeFrame(FrameCode::ChecksumAck, checksumAckPayload(Comm_Checksum(payload)));
    // Data whose acknowledgement did not go out is dropped: the device will send it again.
    if (!m_comm.Comm_TransmitData(ack))
        return;
    if (m_catcher) {
        m_catcher(payload);
        return;
    }
    // One step of the history. The codes replace the pages at once; the data file does not
    // hold them yet.
    const EditHistory::Scope step(m_zt.history(), EditHistory::Kind::DataBlock);
    Interpret_HexData(payload);
    m_comm.report().report(LinkReport::Box | LinkReport::Status | LinkReport::Log,
                           QStringLiteral("Comm_Data_Received"), {}, BoxIcon::Information);
}

void CommInterpreter::acknowledged(QByteArrayView payload)
{
    const QString text = Tools::HexToString(payload);
    qint64 checksum = 0;
    if (!Tools::NumberOf(text, checksum))
        throw ZtError(QStringLiteral("Acknowledged checksum is not a number: '%1'").arg(text));
    using enum LinkReport::Way;
    if (checksum == m_comm.SentChecksum()) {
        m_comm.report().report(Box | Status | Log, QStringLiteral("Comm_Data_Sent"));
    } else {
        m_comm.report().report(AlwaysBox | Status | Log, QStringLiteral("Comm_Checksum_Err"));
    }
}

void CommInterpreter::BuildVersionInfo(QByteArray &frame)
{
    m_zt.pages().DataSet_FromPages();
    const auto &t = m_zt.data().TextStatus;
    frame = makeFrame(FrameCode::VersionInfo,
                      versionInfoPayload({t[0].text(), t[1].text(), t[2].text()}));
}

void CommInterpreter::Interpret_VersionInfo(QByteArrayView payload)
{
    auto &texts = m_zt.data().TextStatus;
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
    const EditHistory::Scope step(m_zt.history(), EditHistory::Kind::DataBlock);
    try {
        m_zt.DataReset(true, false, false);
        decodeHexData(payload, m_zt.flags().CountKeyCols, m_zt.flags().CountKeyRows,
                      m_zt.data().DataRecord);
        m_zt.pages().DataSet_ToPages();
        if (m_zt.programStarted()) {
            m_zt.pages().DataSet_FromPages();
            m_zt.CheckDataSet(true);
            m_zt.pages().DataSet_ToPages();
        }
        m_zt.op().setHourglass(false);
    } catch (const std::exception &e) {
        m_comm.report().report(LinkReport::Log, QStringLiteral("Interpret_HexData_Err"),
                               {describe(e)});
        m_zt.op().setHourglass(false);
    }
}

void CommInterpreter::decodeHexData(QByteArrayView payload, int countCols, int countRows,
                                    ButtonRecord &record)
{
    const int cols = qBound(1, countCols, 4);
    const int rows = qBound(1, countRows, 25);
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
                throw ZtError(QStringLiteral("Button code %1 of group %2 entry %3 is out of range")
                                  .arg(high * 256 + low)
                                  .arg(g)
                                  .arg(e));
            record.button(g, e) = qint16(high * 256 + low);
        }
    }
}
