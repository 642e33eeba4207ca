#pragma once
#include <QElapsedTimer>
#include <QString>

#include "app/ProgramFlags.h"

class CommTools;
class MenuCommands;
class StartupWindows;
class ZtTools;

// The pauses of start-up; tests shorten them.
struct StartupPauses {
    // Minimum time the splash stays visible, counted from the start of Main.
    qint64 splashMs = 5000;
    // Pause between the version request and the data request.
    qint64 requestMs = 1000;
};

// The start-up: brings the program up in its fixed order, or reports the first failure
// once, in German or English, and ends the program.
class Startup {
public:
    // zt.appDir() names the instance folder, zt.exeName() the executable.
    Startup(ZtTools &zt, CommTools &comm, MenuCommands &menu, StartupWindows &windows,
            StartupPauses pauses = {});

    // True after a complete start-up. False when the program has ended on the way
    // (a failure here, or an end requested while start-up let events run).
    bool Main();

    // The main window caption: application title, " Version ", major.minor, " Build ", revision.
    static QString caption(const QString &applicationTitle);

private:
    void run();
    void startupFailed();
    bool ended() const;
    void waitWithEvents(qint64 ms);

    ZtTools &m_zt;
    CommTools &m_comm;
    MenuCommands &m_menu;
    StartupWindows &m_windows;
    const StartupPauses m_pauses;
    StartupError m_error = StartupError::None;
    QString m_language; // empty until the settings have named it
    QElapsedTimer m_started;
};
