#pragma once
#include <functional>
#include <memory>

#include <QString>

#include "gui/ui/frmMain.h"

class CommTools;
class CoreContext;
class DataFileOpening;
class KeySheetPrinter;
class RecentFiles;
class ProgramOperator;
class GuiPageBridge;
class GuiStartupWindows;
class QtSerialComm;
class Startup;
class ZtTools;
class frmCommDebug;
class frmProto;
class frmSplash;

// The whole program for one run: every object made once, the windows wired to the core.
// appDir is the instance folder (settings, log, data), exeName the executable's name
// without extension.
class Program : private MainWindowClose {
public:
    Program(const QString &appDir, const QString &exeName);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // A data file named on the command line, loaded once start-up is done.
    void setStartFile(const QString &path) { m_startFile = path; }
    // The start-up, then the data file named. False when the program ended on the way;
    // otherwise the event loop takes over.
    bool Main();

    // Runs when the program has ended (log closed, settings saved, port closed); the
    // program entry ends the process there, so nothing on the stack runs on.
    void setAfterEnd(std::function<void()> afterEnd);

    ZtTools &zt();
    CommTools &comm();
    // Null before start-up has made it.
    frmMain *mainWindow() { return m_mainWindow.get(); }

private:
    frmMain &createMainWindow();
    void cmdDummy_Click();
    // Closing the main window with unsaved edits asks first; an end under way does not.
    bool mayClose() override;

    QString m_iniFile;
    QString m_startFile;
    std::unique_ptr<ProgramOperator> m_op;
    std::unique_ptr<GuiPageBridge> m_pages;
    std::unique_ptr<QtSerialComm> m_port;
    std::unique_ptr<CoreContext> m_core;
    std::unique_ptr<frmSplash> m_splash;
    std::unique_ptr<frmProto> m_proto;
    std::unique_ptr<frmCommDebug> m_commDebug;
    std::unique_ptr<GuiStartupWindows> m_windows;
    std::unique_ptr<Startup> m_startup;
    std::unique_ptr<RecentFiles> m_recent;
    std::unique_ptr<DataFileOpening> m_opening;
    std::unique_ptr<frmMain> m_mainWindow;
    std::unique_ptr<KeySheetPrinter> m_sheetPrinter;
};
