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

// Why start-up failed; the number is the index of its built-in text.
enum class StartupError : int {
    None = 0,
    LogHexData = 7,
    ShowMsgBox = 8,
    RequestData = 9,
    Debug = 10,
    SaveLoadEnabled = 11,
    WriteLogFile = 12,
    SystemResetEnabled = 13,
    VersionInfoEnabled = 14,
    OnlineTestEnabled = 15,
    ShowProtocolEnabled = 16,
    LoadAtStartup = 17,
    DefaultFile = 18,
    RequestStatus = 19,
    DataSet = 21, // ChannelDef_Read's failure n (1 to 3) is DataSet + n
    ChannelDataDef = 22,
    ChannelValues = 23,
    ChannelLabel = 24,
    Port = 30, // Comm_Init's failed step n is Port + n
    PortNumber = 31,
    PortSettings = 32,
    PortInBufferSize = 33,
    PortOutBufferSize = 34,
    PortDTREnable = 35,
    PortRTSEnable = 36,
    PortHandshaking = 37,
    PortGeneral = 38,
    PortTimeOut = 39,
};

constexpr StartupError channelDefError(int result)
{
    return StartupError(int(StartupError::DataSet) + result);
}
constexpr StartupError portError(int step)
{
    return StartupError(int(StartupError::Port) + step);
}

// Reads the flags of start-up steps 15 to 23 (Language to CountKeyCols) from the
// settings file. Returns None, or the error of the step that failed.
StartupError LoadProgramFlags(const QString &iniFile, const QString &appDir, ProgramFlags &flags);

// CountKeyRows or CountKeyCols as the editor reads it: 0 or above max gives max; not a
// number or beyond 16 bits is false.
bool ReadKeyCount(const QString &text, qint16 max, qint16 &out);

// The built-in start-up failure texts: German when language is "GER", English otherwise;
// empty for an error without a text.
QString StartupErrorText(StartupError error, const QString &language);
