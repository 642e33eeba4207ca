#include "app/MenuCommands.h"

#include <QFile>

#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/EventEdge.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/CommTools.h"
#include "link/Frame.h"

MenuCommands::MenuCommands(ZtTools &zt, CommTools &comm) : m_zt(zt), m_comm(comm) {}

bool MenuCommands::confirm(const QString &question)
{
    return m_zt.op().askYesNo(question, BoxIcon::Stop, m_zt.op().mainCaption());
}

// Every command runs from an event (or start-up); whatever fails ends the command and is
// logged, nothing more.
void MenuCommands::Interpret_MenuCommand(MenuCommand command)
{
    atEventEdge([&] { run(command); },
                [this](const QString &description) { commandFailed(description); });
}

void MenuCommands::commandFailed(const QString &description)
{
    m_comm.report().report(LinkReport::Log, QStringLiteral("Interpret_MenuCommand_Err"),
                           {description});
    m_zt.op().setHourglass(false);
}

void MenuCommands::run(MenuCommand command)
{
    Messages &msg = m_zt.msg();
    switch (command) {
    case MenuCommand::LoadData: {
        const EditHistory::Scope step(m_zt.history(), EditHistory::Kind::Load);
        if (m_zt.ReadDataFile()) {
            m_zt.pages().DataSet_ToPages();
            if (m_zt.CheckDataSet(true))
                m_comm.report().report(LinkReport::Status, QStringLiteral("ReadingData_Ok"));
        }
        break;
    }
    case MenuCommand::SaveData:
        if (m_zt.CheckDataSet(true)) {
            m_zt.pages().DataSet_FromPages();
            m_zt.WriteDataFile();
        }
        break;
    case MenuCommand::EditorReset:
        m_zt.DataReset(false, false, true);
        break;
    case MenuCommand::SendData:
        if (confirm(msg.text(QStringLiteral("QuerySendData"))))
            sendData();
        break;
    case MenuCommand::ReceiveData:
        if (m_zt.ConfirmDiscard(msg.text(QStringLiteral("QueryRequestData"))))
            requestData();
        break;
    case MenuCommand::SystemReset:
        if (confirm(msg.text(QStringLiteral("QuerySendDataReset"))))
            exchange(makeFrame(FrameCode::ResetRequest),
                     msg.text(QStringLiteral("TransmitData_SendReset")), FrameCode::ResetDone);
        break;
    case MenuCommand::VersionInfo:
        exchange(makeFrame(FrameCode::VersionRequest),
                 msg.text(QStringLiteral("TransmitData_GetVersionInfo")), FrameCode::VersionInfo);
        break;
    case MenuCommand::OnlineTest:
        exchange(makeFrame(FrameCode::OnlineTest),
                 msg.text(QStringLiteral("TransmitData_OnlineTest")), FrameCode::OnlineTestAnswer);
        break;
    case MenuCommand::SerialSettings:
        m_zt.op().showSerialSettings();
        break;
    case MenuCommand::Protocol:
        m_zt.op().showProtocol();
        break;
    case MenuCommand::About:
        m_zt.op().showAbout();
        break;
    case MenuCommand::End:
        m_zt.EndProg(true);
        break;
    case MenuCommand::RequestDataQuiet:
        requestData();
        break;
    case MenuCommand::SendDataQuiet:
        sendData();
        break;
    case MenuCommand::SendAcuVersion:
        sendAcuVersion();
        break;
    case MenuCommand::SendCanBusAddr:
        sendCanBusAddr();
        break;
    default:
        throw ZtError(m_comm.report().text(QStringLiteral("Comm_Command_Unknown"),
                                           {QStringLiteral(" ") + QString::number(int(command))}));
    }
}

// Sends the frame; only when it went out, waits for the answer, whose frame the collector
// then hands to the interpreter. The collector already stands aside while the request
// drains: a fast device's answer arriving then is left for the wait, which would
// otherwise time out on an answer already taken and drop what came after it.
void MenuCommands::exchange(const QByteArray &frame, const QString &caption, quint8 expectedCode)
{
    if (!m_comm.Comm_TransmitRequest(frame, caption))
        return;
    m_comm.Comm_WaitForResponse(
        Tools::ByteToHex(expectedCode),
        FormatMessage(m_zt.msg().text(QStringLiteral("Comm_Waiting_For_Answer")), caption));
}

void MenuCommands::sendData()
{
    const QByteArray &requested = m_comm.RequestedCommand();
    if ((requested.isEmpty() || requested == DataKindButtons) && m_zt.CheckDataSet(true)) {
        m_zt.pages().DataSet_FromPages();
        QByteArray frame;
        Prepare_DataExchange(frame, DataKindButtons);
        m_comm.expectAcknowledgement(Comm_Checksum(framePayload(frame)));
        exchange(frame, m_zt.msg().text(QStringLiteral("TransmitData_Send")),
                 FrameCode::ChecksumAck);
    }
    m_comm.clearDataRequest();
}

void MenuCommands::requestData()
{
    exchange(makeFrame(FrameCode::DataRequest, DataKindButtons),
             m_zt.msg().text(QStringLiteral("TransmitData_Request")), FrameCode::DataBlock);
}

// The four texts of the two system-page commands are German in every language.
void MenuCommands::sendAcuVersion()
{
    m_zt.pages().DataSet_FromPages();
    const QString acu = m_zt.data().ACUVersion.text();
    if (Tools::Trim(acu).isEmpty()) {
        m_zt.op().messageBox(QStringLiteral("Keine ACU Versionsnummer angegeben..."), BoxIcon::Stop,
                             m_zt.op().mainCaption());
        return;
    }
    if (m_comm.Comm_TransmitData(makeFrame(FrameCode::AcuVersion, Tools::StringToHex(acu)))) {
        m_zt.unsavedEdits().setDeviceAcuVersion(m_zt.data().ACUVersion);
        m_zt.StatusText(QStringLiteral("  ACU Versionsnummer übertragen"));
    }
}

void MenuCommands::sendCanBusAddr()
{
    m_zt.pages().DataSet_FromPages();
    const qint16 addr = m_zt.data().CanBusAddr;
    if (addr == 0) {
        m_zt.op().messageBox(QStringLiteral("Keine CanBus Adresse angegeben..."), BoxIcon::Stop,
                             m_zt.op().mainCaption());
        return;
    }
    if (m_comm.Comm_TransmitData(makeFrame(FrameCode::CanBusAddress, Tools::WordToHex(addr)))) {
        m_zt.unsavedEdits().setDeviceCanBusAddr(addr);
        m_zt.StatusText(QStringLiteral("  CanBus Adresse übertragen"));
    }
}

void MenuCommands::Prepare_DataExchange(QByteArray &frame, const QByteArray &kind)
{
    m_zt.op().setHourglass(true);
    m_comm.report().report(LinkReport::Status | LinkReport::Log,
                           QStringLiteral("Preparing_DataExchange"));
    QByteArray payload;
    if (kind == DataKindButtons)
        payload = dataBlockPayload(m_zt.data().DataRecord, m_zt.flags().CountKeyCols,
                                   m_zt.flags().CountKeyRows);
    frame = makeFrame(FrameCode::DataBlock, payload);
    if (m_zt.flags().LogHexData) {
        QFile hex(m_zt.hexFileName());
        if (hex.exists() && !hex.remove())
            throw ZtError(hex.errorString());
        if (!hex.open(QIODevice::WriteOnly))
            throw ZtError(hex.errorString());
        const QByteArray text = payload + "\r\n\r\n\r\n";
        if (hex.write(text) != text.size() || !hex.flush())
            throw ZtError(hex.errorString());
        hex.close();
    }
    m_zt.op().setHourglass(false);
}

void MenuCommands::timSendData_Timer()
{
    m_zt.op().startSendDataTimer(0);
    Interpret_MenuCommand(MenuCommand::SendDataQuiet);
}
