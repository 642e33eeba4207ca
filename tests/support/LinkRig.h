#pragma once
// The device link wired to fakes: a settings file in a temporary folder, scripted
// operator and pages, a log into a string, and a fake port.
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "FakeComm.h"
#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "StringSink.h"
#include "app/CoreContext.h"
#include "common/Tools.h"

// Catalogue texts with placeholders, so tests see how they are filled.
inline const char *const RigMessages = R"([Messages_ENG]
Comm_OpenPort_Err=Cannot open port: & (COM&)
Comm_ClosePort_Err=Cannot close: & (COM&)
Comm_Connection_Lost=Lost & (COM&)
Comm_Connection_Restored=Back & (COM&)
Comm_Link_Open=open
Comm_Link_Closed=closed
Comm_Link_Lost=lost
Comm_TransmitData_Err=Send failed: &
Comm_WaitForData_Err=Receive failed: &
Comm_Bytes_Dropped=Dropped & bytes
Comm_WaitForResponse_Err=Answer failed: &
Comm_Waiting_For_Answer=Waiting for &
Comm_Timeout_Waiting_For_Answer=No answer & in time
Comm_Command_Unknown=Unknown command&
Comm_InterpretCommand_Err=Interpreter: &
Interpret_MenuCommand_Err=Menu: &
Interpret_HexData_Err=Hex data: &
TransmitData_Send=Sending data
TransmitData_Request=Requesting data
TransmitData_SendReset=Sending reset
TransmitData_GetVersionInfo=Asking version
TransmitData_OnlineTest=Online test
)";

struct LinkRig {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    FakeOperator op;
    FakePageBridge pages;
    StringSink sink;
    FakeComm comm;
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    ZtTools &zt = core.zt;
    CommTools &ct = core.comm;
    CommInterpreter &interpreter = core.interpreter;
    MenuCommands &menu = core.menu;

    explicit LinkRig(const QByteArray &commSection = {})
    {
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(RigMessages);
            f.write(commSection);
            f.close();
        }
        core.messages.setLanguage(QStringLiteral("ENG"));
        zt.setFiles({.appDir = dir.path(),
                     .exeName = QStringLiteral("zteditor"),
                     .iniFile = ini,
                     .logFile = dir.filePath(QStringLiteral("zteditor.Log")),
                     .dataFile = dir.filePath(QStringLiteral("Data.dat")),
                     .hexFile = dir.filePath(QStringLiteral("zteditor.HEX"))});
        core.log.OpenLog(zt.logFileName(), &sink);
        zt.ClearDataSet();
        // Fast link: answers within a second, collector right after each burst.
        ct.setTimeOut(1);
        ct.setTimerInterval(1);
        ct.setShowCancelDialog(true);
        comm.setPortOpen(true);
    }

    // Lets the collector take what arrived and the reactions run to their end.
    void settle()
    {
        Tools::WaitUntil([&] { return ct.CommInBuffer().isEmpty(); }, QDeadlineTimer(5000));
        Tools::WaitWithEvents(20);
    }

    // The device answers request with answer once the request has been written.
    void answer(const QByteArray &request, const QByteArray &reply)
    {
        comm.onOutput = [this, request, reply](const QByteArray &chunk) {
            if (chunk == request)
                comm.injectLater(reply);
        };
    }

    bool logged(const QString &text) const { return sink.text().contains(text); }
    int loggedCount(const QString &text) const { return int(sink.text().count(text)); }
    // The status line shows the trimmed text.
    bool statusSeen(const QString &text) const
    {
        for (const QString &s : op.statusHistory)
            if (s.trimmed() == text.trimmed())
                return true;
        return false;
    }
    QStringList boxTexts() const
    {
        QStringList out;
        for (const auto &b : op.boxes)
            out << b.text;
        return out;
    }
};

inline QByteArray frameOf(quint8 code, const QByteArray &payload = {})
{
    return char(code) + payload + '\r';
}
