#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

#include "app/CommInterpreter.h"
#include "app/Compare.h"
#include "app/MenuCommands.h"
#include "app/ZtTools.h"
#include "link/CommTools.h"
#include "log/AppLog.h"
#include "settings/Messages.h"

class Operator;
class PageBridge;
class SerialPort;

// The core objects of one run, made once in their fixed order and wired to each other:
// the log, the message catalogue, the main module, the link, the interpreter of received
// frames and the command entry point. The seams are handed in.
class CoreContext {
public:
    // appDir/exeName: the folder and name of the executable; iniFile: the settings file
    // (also the message catalogue until setCatalogue names another).
    CoreContext(Operator &op, PageBridge &pages, SerialPort &port, const QString &appDir,
                const QString &exeName, const QString &iniFile);
    CoreContext(const CoreContext &) = delete;
    CoreContext &operator=(const CoreContext &) = delete;

    // Runs after each received frame has been interpreted, with its code and the frame.
    using FrameWatcher = std::function<void(const QByteArray &code, const QByteArray &frame)>;
    void setFrameWatcher(FrameWatcher watcher) { m_watcher = std::move(watcher); }

    AppLog log;
    Messages messages;
    ZtTools zt;
    CommTools comm;
    CommInterpreter interpreter;
    MenuCommands menu;
    Comparison compare;

private:
    FrameWatcher m_watcher;
};
