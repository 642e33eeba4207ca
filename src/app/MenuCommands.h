#pragma once
#include <QByteArray>
#include <QString>

class CommTools;
class ZtTools;

// The operator's commands, numbered as their toolbar buttons, and the program's own ones.
enum class MenuCommand : int {
    LoadData = 1,
    SaveData = 2,
    EditorReset = 3,
    SendData = 5,
    ReceiveData = 6,
    SystemReset = 7,
    VersionInfo = 8,
    OnlineTest = 9,
    SerialSettings = 10,
    Protocol = 12,
    About = 13,
    End = 15,
    RequestDataQuiet = 106, // the data request without a question
    SendDataQuiet = 107,    // the device asked for the data
    SendAcuVersion = 108,
    SendCanBusAddr = 109,
};

// The single entry point of the operator's commands (toolbar buttons 1..15) and of the
// program's own commands 106..109, and the data frame builder.
class MenuCommands {
public:
    MenuCommands(ZtTools &zt, CommTools &comm);

    void Interpret_MenuCommand(MenuCommand command);
    // A command that failed: logged, the hourglass put away. For the program's own
    // commands run from events outside the interpreter (the debug button).
    void commandFailed(const QString &description);
    void Prepare_DataExchange(QByteArray &frame, const QByteArray &kind);
    // Tick of the main window's one-shot timer timSendData: the device asked for the data.
    void timSendData_Timer();

private:
    void run(MenuCommand command);
    bool confirm(const QString &question);
    void exchange(const QByteArray &frame, const QString &caption, quint8 expectedCode);
    void sendData();
    void requestData();
    void sendAcuVersion();
    void sendCanBusAddr();

    ZtTools &m_zt;
    CommTools &m_comm;
};
