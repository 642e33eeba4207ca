#include "app/Main.h"

#include <exception>

#include <QDate>

#include "app/MenuCommands.h"
#include "app/StartupWindows.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "link/CommTools.h"
#include "log/AppLog.h"
#include "settings/INITools.h"

namespace {
const QString SectionMain = QStringLiteral("Main");
} // namespace

Startup::Startup(ZtTools &zt, CommTools &comm, MenuCommands &menu, StartupWindows &windows,
                 StartupPauses pauses)
    : m_zt(zt), m_comm(comm), m_menu(menu), m_windows(windows), m_pauses(pauses)
{
}

QString Startup::caption(const QString &applicationTitle)
{
    return applicationTitle + QStringLiteral(" Version %1.%2 Build %3")
                                  .arg(ZT_VERSION_MAJOR)
                                  .arg(ZT_VERSION_MINOR)
                                  .arg(ZT_VERSION_PATCH);
}

bool Startup::ended() const
{
    return m_zt.programEnded();
}

// Lets window events run for ms milliseconds; an end requested meanwhile cuts it short.
void Startup::waitWithEvents(qint64 ms)
{
    if (ms > 0)
        Tools::WaitUntil([this] { return ended(); }, QDeadlineTimer(ms));
}

bool Startup::Main()
{
    m_error = StartupError::None;
    m_language.clear();
    try {
        run();
    } catch (const std::exception &) {
        startupFailed();
    } catch (...) {
        startupFailed();
    }
    return !ended();
}

// Each step that can fail sets the error index first; a failure shows the text of the
// index current at that moment. Where start-up lets window events run, the operator (or
// a signal) may have ended the program meanwhile; start-up then stops there.
void Startup::run()
{
    m_zt.setProgramStarted(false);
    m_started.start();
    const QString base = m_zt.appDir() + QLatin1Char('/') + m_zt.exeName();
    m_zt.setFiles({.appDir = m_zt.appDir(),
                   .exeName = m_zt.exeName(),
                   .iniFile = base + QStringLiteral(".Ini"),
                   .logFile = base + QLatin1Char('-') +
                              QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                              QStringLiteral(".Log"),
                   .dataFile = base + QStringLiteral(".Dat"),
                   .hexFile = base + QStringLiteral(".HEX")});
    m_zt.msg().setIniFile(m_zt.iniFileName());
    m_zt.msg().setLanguage(QString());

    m_windows.showSplash();

    m_error = StartupError::WriteLogFile;
    AppLog &log = m_zt.log();
    if (!Tools::IsYes(INI_ReadValue(m_zt.iniFileName(), SectionMain, QStringLiteral("WriteLogFile"),
                                    QStringLiteral("yes"))))
        log.setToFileDisabled(true);
    // The language is not known yet: this text comes from section "Messages_" itself, and
    // is read afresh so the catalogue holds no text of the wrong language.
    const QString writeLogErr =
        m_zt.msg().fresh(QStringLiteral("WriteLog_Err"), QStringLiteral("WriteLog_Err"));
    log.OpenLog(m_zt.logFileName(), m_windows.protocolText(), {}, {}, {},
                QStringLiteral("  ") + writeLogErr);
    log.WriteLog(QStringLiteral("Init"));
    if (ended())
        return;

    m_error = StartupError::None;
    m_zt.setMaxFormHeight(ZtTools::DefaultMaxFormHeight);
    FormGeometry &window = m_windows.mainWindow();
    window.setTop((window.screenHeight() - window.height()) / 2);
    window.setLeft((window.screenWidth() - window.width()) / 2);
    INI_RestoreFormPosition(window, m_zt.iniFileName(), QStringLiteral("Screen"),
                            QStringLiteral("Coord_"));
    m_windows.setMainCaption(caption(m_windows.applicationTitle()));

    const StartupError flagsResult =
        LoadProgramFlags(m_zt.iniFileName(), m_zt.appDir(), m_zt.setupFlags());
    m_language = m_zt.flags().Language;
    m_zt.msg().setLanguage(m_language);
    if (flagsResult != StartupError::None) {
        m_error = flagsResult;
        return startupFailed();
    }
    m_error = StartupError::RequestStatus;
    m_zt.setNotDefinedText(m_zt.msg().text(QStringLiteral("NotDefined")));

    m_error = StartupError::ChannelDataDef;
    const int channels = m_zt.ChannelDef_Read();
    if (channels > 0) {
        m_error = channelDefError(channels);
        return startupFailed();
    }

    m_error = StartupError::DataSet;
    m_zt.ClearDataSet();

    if (const int step = m_comm.Comm_Init()) {
        m_error = portError(step);
        // The operator gets one chance to correct the port settings.
        m_menu.Interpret_MenuCommand(MenuCommand::SerialSettings);
        if (ended())
            return;
        if (const int again = m_comm.Comm_Init()) {
            m_error = portError(again);
            return startupFailed();
        }
    }
    m_error = StartupError::None;

    m_windows.mainWindow();
    const ProgramFlags &flags = m_zt.flags();
    // A toolbar button's position is its command's number.
    const std::pair<bool, MenuCommand> hidden[] = {
        {flags.SaveLoadEnabled, MenuCommand::LoadData},
        {flags.SaveLoadEnabled, MenuCommand::SaveData},
        {flags.SystemResetEnabled, MenuCommand::SystemReset},
        {flags.VersionInfoEnabled, MenuCommand::VersionInfo},
        {flags.OnlineTestEnabled, MenuCommand::OnlineTest},
        {flags.ShowProtocolEnabled, MenuCommand::Protocol},
    };
    for (const auto &[enabled, command] : hidden)
        if (!enabled)
            m_windows.hideToolbarButton(int(command));

    if (flags.Debug) {
        m_windows.showDummyButton();
    } else {
        waitWithEvents(m_pauses.splashMs - m_started.elapsed());
        if (ended())
            return;
    }

    m_windows.showMainWindow();
    m_windows.closeSplash();
    Tools::DoEvents();
    if (ended())
        return;

    m_zt.DataReset(true, true, false);
    if (ended())
        return;

    if (flags.RequestStatus) {
        m_menu.Interpret_MenuCommand(MenuCommand::VersionInfo);
        if (ended())
            return;
    }
    if (flags.RequestData) {
        if (flags.RequestStatus) {
            waitWithEvents(m_pauses.requestMs);
            if (ended())
                return;
        }
        m_menu.Interpret_MenuCommand(MenuCommand::RequestDataQuiet);
        if (ended())
            return;
    }

    m_zt.setReadyText(m_zt.msg().text(QStringLiteral("Ready")));
    m_zt.StatusText(m_zt.readyText());
    m_zt.FocusTabStrip();
    m_zt.setProgramStarted(true);
}

void Startup::startupFailed()
{
    if (ended())
        return;
    try {
        const QString message = StartupErrorText(m_error, m_language);
        if (m_error != StartupError::None) {
            m_zt.op().messageBox(Tools::Trim(message), BoxIcon::Exclamation, m_zt.exeName());
            m_zt.StatusText(message);
            m_zt.log().WriteLog(message);
        }
    } catch (const std::exception &) {
        // The report failed; ending must not.
    }
    m_zt.EndProg(false);
}
