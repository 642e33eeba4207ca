#include "app/CoreContext.h"

CoreContext::CoreContext(Operator &op, PageBridge &pages, SerialPort &port, const QString &appDir,
                         const QString &exeName, const QString &iniFile)
    : log(appDir, exeName), messages(iniFile), zt(op, pages, log, messages),
      comm(zt.linkReport(), zt.iniFileName(), port), interpreter(zt, comm), menu(zt, comm),
      compare(zt, comm, interpreter)
{
    zt.setFiles({.appDir = appDir, .exeName = exeName, .iniFile = iniFile});
    zt.setPortCloser([this] { return comm.Comm_ClosePort(); });
    comm.setInterpreter([this](const QByteArray &code, const QByteArray &frame) {
        interpreter.Comm_InterpretCommand(code, frame);
        if (m_watcher)
            m_watcher(code, frame);
    });
}
