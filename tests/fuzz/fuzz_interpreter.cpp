// Arbitrary bytes from the device: through the receive event, the buffer cap and the
// collector into the interpreter, whose answers go to a fake port.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "../support/FakeOperator.h"
#include "../support/FakePageBridge.h"
#include "../support/StringSink.h"
#include "app/ZtTools.h"
#include "link/CommInterpreter.h"
#include "link/CommTools.h"
#include "link/Frame.h"
#include "link/SerialPort.h"
#include "log/AppLog.h"

namespace {

// A port that is always open and sends at once; what arrives is handed in by the test.
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
};

Rig &rig()
{
    static int argc = 1;
    static char name[] = "fuzz_interpreter";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Rig r;
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig &r = rig();
    r.ct.CommInBuffer.clear();
    r.op.boxes.clear();
    r.op.statusHistory.clear();
    r.op.events.clear();
    r.comm.written.clear();

    // Each piece up to a terminator arrives as one burst; a buffer that does not form a
    // frame is dropped as the collector's time-out would drop it.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', from);
        end = end < 0 ? bytes.size() : end + 1;
        r.comm.inject(bytes.mid(from, end - from));
        if (r.ct.CommInBuffer.size() > CommTools::InBufferCap)
            __builtin_trap();
        if (isCompleteFrame(r.ct.CommInBuffer))
            r.ct.Comm_WaitForData();
        else if (end == bytes.size())
            r.ct.CommInBuffer.clear();
        from = end;
    }
    // Whatever arrived, the DataSet keeps its shape.
    for (const auto &t : r.zt.Data.TextStatus)
        if (t.text().size() != 32)
            __builtin_trap();
    if (r.zt.Data.ACUVersion.text().size() != 4)
        __builtin_trap();
    return 0;
}
