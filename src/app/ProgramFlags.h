#pragma once
#include <QString>
#include <QtGlobal>

// The program flags of section "Main", named after their keys.
struct ProgramFlags {
    QString Language = QStringLiteral("GER"); // upper-cased
    bool LogHexData = false;
    bool ShowMsgBox = true;
    bool RequestData = true;
    bool Debug = false;
    bool SaveLoadEnabled = true;
    bool SystemResetEnabled = false;
    bool VersionInfoEnabled = false;
    bool OnlineTestEnabled = false;
    bool ShowProtocolEnabled = false;
    QString LoadAtStartup_Default; // full path, or empty for "*NONE*"
    bool RequestStatus = true;
    QString ProductVersion = QStringLiteral("*ZT");
    bool ShowTabStrip_System = false;
    bool RestoreLastPosition = true;
    qint16 CountKeyRows = 15;
    qint16 CountKeyCols = 3;
};

// Reads the flags of start-up steps 15 to 23 (Language to CountKeyCols) from the
// settings file. Returns 0, or the error index of the step that failed (17, 18, 19).
int LoadProgramFlags(const QString &iniFile, const QString &appDir, ProgramFlags &flags);

// The built-in start-up failure texts: German when language is "GER", English otherwise;
// empty for an index without a text.
QString StartupErrorText(int index, const QString &language);
