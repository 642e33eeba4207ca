#include "app/ProgramFlags.h"

#include <map>

#include "common/Tools.h"
#include "settings/INITools.h"

bool ReadKeyCount(const QString &text, qint16 max, qint16 &out)
{
    qint64 n = 0;
    if (!Tools::ValOfChecked(text, n) || n > 32767)
        return false;
    out = (n == 0 || n > max) ? max : qint16(n);
    return true;
}

StartupError LoadProgramFlags(const QString &iniFile, const QString &appDir, ProgramFlags &flags)
{
    const auto value = [&](const char *key, const char *def) {
        return INI_ReadValue(iniFile, QStringLiteral("Main"), QLatin1String(key),
                             QLatin1String(def));
    };
    const auto yes = [&](const char *key, const char *def) {
        return Tools::IsYes(value(key, def));
    };

    flags.Language = value("Language", "GER").toUpper();
    flags.LogHexData = yes("LogHexData", "no");
    flags.ShowMsgBox = yes("ShowMsgBox", "yes");
    flags.RequestData = yes("RequestData", "yes");
    flags.Debug = yes("Debug", "no");
    flags.SaveLoadEnabled = yes("SaveLoadEnabled", "yes");
    flags.SystemResetEnabled = yes("SystemResetEnabled", "no");
    flags.VersionInfoEnabled = yes("VersionInfoEnabled", "no");
    flags.OnlineTestEnabled = yes("OnlineTestEnabled", "no");
    flags.ShowProtocolEnabled = yes("ShowProtocolEnabled", "no");

    const QString defaultFile = Tools::Trim(value("LoadAtStartup_Default", ""));
    if (defaultFile.isEmpty())
        return StartupError::LoadAtStartup;
    if (defaultFile == QLatin1String("*NONE*")) {
        flags.LoadAtStartup_Default.clear();
    } else {
        flags.LoadAtStartup_Default = Tools::SettingsPath(appDir, defaultFile);
        if (!Tools::FileExists(flags.LoadAtStartup_Default))
            return StartupError::DefaultFile;
    }

    flags.RequestStatus = yes("RequestStatus", "yes");
    flags.ProductVersion = value("ProductVersion", "*ZT");
    flags.ShowTabStrip_System = yes("ShowTabStrip_System", "no");
    flags.RestoreLastPosition = yes("RestoreLastPosition", "Yes");
    if (!ReadKeyCount(value("CountKeyRows", "15"), 25, flags.CountKeyRows) ||
        !ReadKeyCount(value("CountKeyCols", "3"), 4, flags.CountKeyCols))
        return StartupError::RequestStatus;
    return StartupError::None;
}

QString StartupErrorText(StartupError error, const QString &language)
{
    struct Texts {
        const char *german;
        const char *english;
    };
    static const std::map<StartupError, Texts> table = {
        {StartupError::LogHexData,
         {"Fehler beim Setzen des Flags <LogHexData>", "Error setting flag <LogHexData>"}},
        {StartupError::ShowMsgBox,
         {"Fehler beim Setzen des Flags <ShowMsgBox>", "Error setting flag <ShowMsgBox>"}},
        {StartupError::RequestData,
         {"Fehler beim Setzen des Flags <RequestData>", "Error setting flag <RequestData>"}},
        {StartupError::Debug,
         {"Fehler beim Setzen des Flags <Debug>", "Error setting flag <Debug>"}},
        {StartupError::SaveLoadEnabled,
         {"Fehler beim Setzen des Flags <SaveLoadEnabled>",
          "Error setting flag <SaveLoadEnabled>"}},
        {StartupError::WriteLogFile,
         {"Fehler beim Setzen des Flags <WriteLogFile>", "Error setting flag <WriteLogFile>"}},
        {StartupError::SystemResetEnabled,
         {"Fehler beim Setzen des Flags <SystemResetEnabled>",
          "Error setting flag <SystemResetEnabled>"}},
        {StartupError::VersionInfoEnabled,
         {"Fehler beim Setzen des Flags <VersionInfoEnabled>",
          "Error setting flag <VersionInfoEnabled>"}},
        {StartupError::OnlineTestEnabled,
         {"Fehler beim Setzen des Flags <OnlineTestEnabled>",
          "Error setting flag <OnlineTestEnabled>"}},
        {StartupError::ShowProtocolEnabled,
         {"Fehler beim Setzen des Flags <ShowProtocolEnabled>",
          "Error setting flag <ShowProtocolEnabled>"}},
        {StartupError::LoadAtStartup,
         {"Fehler beim Lesen des Eintrags <LoadAtStartup_Default>",
          "Error reading value <LoadAtStartup_Default>"}},
        {StartupError::DefaultFile,
         {"Fehler beim Lesen der in <LoadAtStartup_Default> angegebenen Datei",
          "Error reading the file in <LoadAtStartup_Default>"}},
        {StartupError::RequestStatus,
         {"Fehler beim Setzen des Flags <RequestStatus>", "Error setting flag <RequestStatus>"}},
        {StartupError::DataSet,
         {"Fehler beim Initialisieren des DataSets", "Error initializing the DataSet"}},
        {StartupError::ChannelDataDef,
         {"Fehler beim Lesen des Eintrags <Channel_DataDef>",
          "Error reading value <Channel_DataDef>"}},
        {StartupError::ChannelValues,
         {"Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>",
          "Error reading values from file <Channel_DataDef>"}},
        {StartupError::ChannelLabel,
         {"Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>: Nicht-numerisches Label",
          "Error reading values from file <Channel_DataDef>: Non-numeric label"}},
        {StartupError::PortNumber,
         {"Fehler bei Setzen des COM-Ports", "Error setting the COM-Port"}},
        {StartupError::PortSettings,
         {"Fehler bei Setzen der Einstellungen für den COM-Port",
          "Error setting the COM-Port parameters"}},
        {StartupError::PortInBufferSize,
         {"Fehler bei Setzen der Empfangspuffer-Grösse für den COM-Port",
          "Error setting the receive buffer size for the COM-Port"}},
        {StartupError::PortOutBufferSize,
         {"Fehler bei Setzen der Sendepuffer-Grösse für den COM-Port",
          "Error setting the send buffer size for the COM-Port"}},
        {StartupError::PortDTREnable,
         {"Fehler bei Setzen von 'DTR enable' für den COM-Port",
          "Error setting 'DTR enable' for the COM-Port"}},
        {StartupError::PortRTSEnable,
         {"Fehler bei Setzen von 'RTS enable' für den COM-Port",
          "Error setting 'RTS enable' for the COM-Port"}},
        {StartupError::PortHandshaking,
         {"Fehler bei Setzen des Handshakings für den COM-Port",
          "Error setting the handshaking for the COM-Port"}},
        {StartupError::PortGeneral,
         {"Fehler bei Setzen der generellen Einstellungen für den COM-Port",
          "Error setting der general values for the COM-Port"}},
        {StartupError::PortTimeOut,
         {"Fehler bei Setzen des Timeouts für den COM-Port",
          "Error setting the timeout for the COM-Port"}},
    };
    // Port set-up codes without a text of their own.
    static const Texts portSetUp = {"Fehler beim Einrichten des COM-Ports",
                                    "Error setting up the COM-Port"};

    const auto it = table.find(error);
    const Texts *texts = it != table.end()                   ? &it->second
                         : error > StartupError::PortTimeOut ? &portSetUp
                                                             : nullptr;
    if (!texts)
        return {};
    return QString::fromUtf8(language == QLatin1String("GER") ? texts->german : texts->english);
}
