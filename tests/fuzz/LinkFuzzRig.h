#pragma once
// The device link for the fuzz programs: the test port, open and sending at once, what
// arrives handed in by the program, and the interpreter wired to fakes.
#include <QCoreApplication>
#include <QTemporaryDir>

#include "../support/FakeComm.h"
#include "../support/FakeOperator.h"
#include "../support/FakePageBridge.h"
#include "../support/StringSink.h"
#include "app/CoreContext.h"

struct Rig {
    QTemporaryDir dir;
    FakeOperator op;
    FakePageBridge pages;
    StringSink sink;
    FakeComm comm;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    ZtTools &zt = core.zt;
    CommTools &ct = core.comm;
    CommInterpreter &interpreter = core.interpreter;

    Rig()
    {
        comm.setPortOpen(true);
        core.log.setToFileDisabled(true);
        core.log.OpenLog(dir.filePath(QStringLiteral("zteditor.Log")), &sink);
        zt.ClearDataSet();
        zt.setupFlags().ShowMsgBox = true;
        zt.setupFlags().ProductVersion = QStringLiteral("ZT");
        ct.setTimeOut(1);
        // The test drives the collector itself; the timer would only wait.
        ct.setTimerInterval(30000);
    }

    // Forgets what the previous input left, so a long run does not grow without bound.
    void reset()
    {
        ct.discardInput();
        op.boxes.clear();
        op.statusHistory.clear();
        op.events.clear();
        pages.calls.clear();
        comm.written.clear();
        comm.chunks.clear();
        sink.setText(QString());
    }
};

inline Rig &rig()
{
    static int argc = 1;
    static char name[] = "zt_fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Rig r;
    return r;
}
