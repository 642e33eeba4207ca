#pragma once
#include <QByteArray>
#include <QString>

class CommTools;
class ZtTools;

// The single entry point of the operator's commands (toolbar buttons 1..15) and of the
// program's own commands 106..109, and the data frame builder.
class MenuCommands {
public:
    MenuCommands(ZtTools &zt, CommTools &comm);

    void Interpret_MenuCommand(int number);
    void Prepare_DataExchange(QByteArray &frame, const QByteArray &kind);
    // Tick of the main window's one-shot timer timSendData: the device asked for the data.
    void timSendData_Timer();

private:
    bool confirm(const QString &question);
    void exchange(const QByteArray &frame, const QString &caption, const QByteArray &expectedCode);
    void sendData();
    void requestData();
    void sendAcuVersion();
    void sendCanBusAddr();

    ZtTools &m_zt;
    CommTools &m_comm;
};
