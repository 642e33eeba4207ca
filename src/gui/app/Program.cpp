#include "gui/app/Program.h"

#include <QDir>
#include <QTimer>

#include "app/CoreContext.h"
#include "app/DataFileOpening.h"
#include "app/KeySheet.h"
#include "app/Main.h"
#include "app/MenuCommands.h"
#include "app/RecentFiles.h"
#include "common/EventEdge.h"
#include "gui/app/GuiOperator.h"
#include "gui/app/GuiPageBridge.h"
#include "gui/app/GuiStartupWindows.h"
#include "gui/app/KeySheetPrinter.h"
#include "gui/controls/frmSplash.h"
#include "gui/linktools/frmCommDebug.h"
#include "gui/log/frmProto.h"
#include "gui/ui/frmMain.h"
#include "link/Frame.h"
#include "link/QtSerialComm.h"
#include "log/AppLog.h"
#include "settings/INITools.h"

// The real operator, and what follows the end of the program.
class ProgramOperator : public GuiOperator {
public:
    using GuiOperator::GuiOperator;
    std::function<void()> afterEnd;
    void endProgram() override
    {
        GuiOperator::endProgram();
        if (afterEnd)
            afterEnd();
    }
};

Program::Program(const QString &appDir, const QString &exeName)
    : m_iniFile(appDir + QLatin1Char('/') + exeName + QStringLiteral(".Ini"))
{
    // The windows made before start-up reads the flags need two settings of their own,
    // read as start-up reads them.
    const QString language = INI_ReadValue(m_iniFile, QStringLiteral("Main"),
                                           QStringLiteral("Language"), QStringLiteral("GER"))
                                 .toUpper();
    const QString productVersion = INI_ReadValue(
        m_iniFile, QStringLiteral("Main"), QStringLiteral("ProductVersion"), QStringLiteral("ZT"));
    GuiOperator::installQtTranslations(language);

    m_op = std::make_unique<ProgramOperator>(nullptr);
    m_pages = std::make_unique<GuiPageBridge>();
    m_port = std::make_unique<QtSerialComm>(m_iniFile);
    m_core = std::make_unique<CoreContext>(*m_op, *m_pages, *m_port, appDir, exeName, m_iniFile);

    m_splash = std::make_unique<frmSplash>(productVersion);
    m_splash->setFolderLine((language == QLatin1String("GER") ? QStringLiteral("Ordner: ")
                                                              : QStringLiteral("Folder: ")) +
                            QDir::toNativeSeparators(appDir));
    m_proto = std::make_unique<frmProto>(m_core->messages);
    m_commDebug = std::make_unique<frmCommDebug>(m_iniFile, m_core->messages);
    // The window only queues what it is given, so the port may hand it bytes directly,
    // also from its receive notification.
    QObject::connect(m_port.get(), &SerialPort::bytesSent, m_commDebug.get(),
                     &frmCommDebug::showSent);
    QObject::connect(m_port.get(), &SerialPort::bytesReceived, m_commDebug.get(),
                     &frmCommDebug::showReceived);
    m_op->setSerialSettings(
        {m_port.get(), &m_core->comm, m_iniFile, language, m_splash->appTitle()});
    m_op->setProtocolWindow(m_proto.get());
    m_op->setAboutWindow(m_splash.get());
    m_op->setCommDebugWindow(m_commDebug.get());

    m_windows = std::make_unique<GuiStartupWindows>(
        *m_splash, *m_proto, [this]() -> frmMain & { return createMainWindow(); });
    m_startup = std::make_unique<Startup>(m_core->zt, m_core->comm, m_core->menu, *m_windows);

    m_recent = std::make_unique<RecentFiles>(appDir + QLatin1Char('/') + exeName +
                                             QStringLiteral(".recent"));
    m_opening = std::make_unique<DataFileOpening>(m_core->zt, *m_recent);
    m_core->zt.setDataFileUsed([this](const QString &file) { m_recent->add(file); });
}

Program::~Program()
{
    // The main window goes first: its children refer to the core.
    m_sheetPrinter.reset();
    m_mainWindow.reset();
}

ZtTools &Program::zt()
{
    return m_core->zt;
}

CommTools &Program::comm()
{
    return m_core->comm;
}

bool Program::Main()
{
    if (!m_startup->Main())
        return false;
    m_core->zt.history().start();
    if (!m_startFile.isEmpty())
        m_opening->open(m_startFile, DataFileOpening::Ask::Nothing);
    return !m_core->zt.programEnded();
}

void Program::setAfterEnd(std::function<void()> afterEnd)
{
    m_op->afterEnd = std::move(afterEnd);
}

frmMain &Program::createMainWindow()
{
    m_mainWindow = std::make_unique<frmMain>(m_core->zt, static_cast<MainWindowClose &>(*this));
    frmMain *main = m_mainWindow.get();
    QTimer *sendData = &main->sendDataTimer();
    m_op->setMainWindow(main, sendData);
    m_pages->attach(m_core->zt, *main);
    main->setComparison(m_core->compare);
    QObject::connect(main, &frmMain::menuCommandRequested, main,
                     [this](MenuCommand command) { m_core->menu.Interpret_MenuCommand(command); });
    QObject::connect(main, &frmMain::firstActivated, main,
                     [this] { m_core->comm.Comm_OpenPort(); });
    QObject::connect(main, &frmMain::dummyRequested, main, [this] {
        atEventEdge(
            [this] { cmdDummy_Click(); },
            [this](const QString &description) { m_core->menu.commandFailed(description); });
    });
    QObject::connect(&m_core->comm, &CommTools::linkChanged, main,
                     [this, main] { main->setLinkText(m_core->comm.Comm_LinkText()); });
    QObject::connect(sendData, &QTimer::timeout, main,
                     [this] { m_core->menu.timSendData_Timer(); });

    // Opening by name: a drop is answered once the drag is over, not inside it.
    main->setRecentFilesSource([this] { return m_recent->files(); });
    QObject::connect(
        main, &frmMain::fileDropped, main,
        [this](const QString &file) { m_opening->open(file, DataFileOpening::Ask::UnsavedEdits); },
        Qt::QueuedConnection);
    QObject::connect(main, &frmMain::recentFileChosen, main, [this](const QString &file) {
        m_opening->open(file, DataFileOpening::Ask::UnsavedEdits);
    });
    m_sheetPrinter = std::make_unique<KeySheetPrinter>(m_core->zt, main);
    QObject::connect(main, &frmMain::keySheetPrintRequested, main,
                     [this] { m_sheetPrinter->printWithDialog(); });
    QObject::connect(main, &frmMain::keySheetPdfRequested, main,
                     [this] { m_sheetPrinter->savePdf(); });
    QObject::connect(main, &frmMain::keySheetCsvRequested, main,
                     [this] { ExportKeySheetCsv(m_core->zt); });
    return *main;
}

bool Program::mayClose()
{
    if (m_core->zt.programEnded())
        return true;
    // A failure on the way keeps the window, and with it whatever is unsaved.
    bool may = false;
    atEventEdge([&] { may = m_core->zt.ConfirmEnd({}) && m_core->zt.EndProg(false); },
                [this](const QString &description) {
                    QString text = m_core->messages.text(QStringLiteral("EndProg_Err"));
                    m_core->log.WriteLog(QStringLiteral("  ") + FormatMessage(text, description));
                });
    return may;
}

// Test command: the pages as a data frame, fed back as if the device had sent it.
void Program::cmdDummy_Click()
{
    m_pages->DataSet_FromPages();
    QByteArray frame;
    m_core->menu.Prepare_DataExchange(frame, DataKindButtons);
    m_op->messageBox(QStringLiteral("Erstellt"), BoxIcon::None, m_splash->appTitle());
    m_core->interpreter.Interpret_HexData(frame.mid(1, frame.size() - 2));
}
