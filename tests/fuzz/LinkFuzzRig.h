#pragma once
// The device link for the fuzz programs: a port that is always open and sends at once,
// what arrives handed in by the program, and the interpreter wired to fakes.
#include <QCoreApplication>
#include <QTemporaryDir>

#include "../support/FakeOperator.h"
#include "../support/FakePageBridge.h"
#include "../support/StringSink.h"
#include "app/ZtTools.h"
#include "link/CommInterpreter.h"
#include "link/CommTools.h"
#include "link/SerialPort.h"
#include "log/AppLog.h"

// Always open; output is kept in written, inject() hands bytes in as received.
class LoopPort : public SerialPort {
public:
    QByteArray pending, written;
    void inject(const QByteArray &bytes)
    {
        pending += bytes;
        Q_EMIT onComm();
    }
    void setCommPort(int) override {}
    int commPort() const override { return 1; }
    void setSettings(const QString &) override {}
    QString settings() const override { return QStringLiteral("19200,N,8,1"); }
    void setInBufferSize(int) override {}
    int inBufferSize() const override { return 1024; }
    void setOutBufferSize(int) override {}
    int outBufferSize() const override { return 512; }
    void setDTREnable(bool) override {}
    bool dtrEnable() const override { return true; }
    void setRTSEnable(bool) override {}
    bool rtsEnable() const override { return true; }
    void setHandshaking(int) override {}
    int handshaking() const override { return 0; }
    void setPortOpen(bool) override {}
    bool portOpen() const override { return true; }
    void output(const QByteArray &bytes) override { written += bytes; }
    QByteArray input() override
    {
        QByteArray bytes = pending;
        pending.clear();
        bytes.removeIf([](char c) { return c == 0; });
        return bytes;
    }
    int outBufferCount() const override { return 0; }
    int commEvent() const override { return EvReceive; }
};

struct Rig {
    QTemporaryDir dir;
    FakeOperator op;
    FakePageBridge pages;
    StringSink sink;
    AppLog log{dir.path(), QStringLiteral("zteditor")};
    Messages msgs{dir.filePath(QStringLiteral("zteditor.Ini"))};
    ZtTools zt{op, pages, log, msgs};
    LoopPort comm;
    CommTools ct{zt, comm};
    CommInterpreter interpreter{zt, ct};

    Rig()
    {
        zt.AppDir = dir.path();
        zt.ExeName = QStringLiteral("zteditor");
        zt.IniFileName = msgs.iniFile();
        log.setToFileDisabled(true);
        log.OpenLog(dir.filePath(QStringLiteral("zteditor.Log")), &sink);
        zt.ClearDataSet();
        zt.Flags.ShowMsgBox = true;
        zt.Flags.ProductVersion = QStringLiteral("ZT");
        ct.TimeOut = 1;
        // The test drives the collector itself; the timer would only wait.
        ct.TimerInterval = 30000;
    }

    // Forgets what the previous input left, so a long run does not grow without bound.
    void reset()
    {
        ct.CommInBuffer.clear();
        op.boxes.clear();
        op.statusHistory.clear();
        op.events.clear();
        pages.calls.clear();
        comm.written.clear();
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
