#include "app/ProgramFlags.h"

#include <QHash>

#include "common/Tools.h"
#include "settings/INITools.h"

namespace {

enum : int {
    LoadAtStartupIndex = 17,
    DefaultFileIndex = 18,
    RequestStatusIndex = 19,
};

// A whole number of rows or groups: out of range (0 or above max) gives max; not a number
// or beyond 16 bits fails.
bool readCount(const QString &text, qint16 max, qint16 &out)
{
    qint64 n = 0;
    if (!Tools::ValOfChecked(text, n) || n > 32767)
        return false;
    out = (n == 0 || n > max) ? max : qint16(n);
    return true;
}

} // namespace

int LoadProgramFlags(const QString &iniFile, const QString &appDir, ProgramFlags &flags)
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
        return LoadAtStartupIndex;
    if (defaultFile == QLatin1String("*NONE*")) {
        flags.LoadAtStartup_Default.clear();
    } else {
        flags.LoadAtStartup_Default = Tools::SettingsPath(appDir, defaultFile);
        if (!Tools::FileExists(flags.LoadAtStartup_Default))
            return DefaultFileIndex;
    }

    flags.RequestStatus = yes("RequestStatus", "yes");
    flags.ProductVersion = value("ProductVersion", "*ZT");
    flags.ShowTabStrip_System = yes("ShowTabStrip_System", "no");
    flags.RestoreLastPosition = yes("RestoreLastPosition", "Yes");
    if (!readCount(value("CountKeyRows", "15"), 25, flags.CountKeyRows) ||
        !readCount(value("CountKeyCols", "3"), 4, flags.CountKeyCols))
        return RequestStatusIndex;
    return 0;
}

QString StartupErrorText(int index, const QString &language)
{
    struct Texts {
        const char *german;
        const char *english;
    };
    static const QHash<int, Texts> table = {
        {7, {"Fehler beim Setzen des Flags <LogHexData>", "Error setting flag <LogHexData>"}},
        {8, {"Fehler beim Setzen des Flags <ShowMsgBox>", "Error setting flag <ShowMsgBox>"}},
        {9, {"Fehler beim Setzen des Flags <RequestData>", "Error setting flag <RequestData>"}},
        {10, {"Fehler beim Setzen des Flags <Debug>", "Error setting flag <Debug>"}},
        {11,
         {"Fehler beim Setzen des Flags <SaveLoadEnabled>",
          "Error setting flag <SaveLoadEnabled>"}},
        {12, {"Fehler beim Setzen des Flags <WriteLogFile>", "Error setting flag <WriteLogFile>"}},
        {13,
         {"Fehler beim Setzen des Flags <SystemResetEnabled>",
          "Error setting flag <SystemResetEnabled>"}},
        {14,
         {"Fehler beim Setzen des Flags <VersionInfoEnabled>",
          "Error setting flag <VersionInfoEnabled>"}},
        {15,
         {"Fehler beim Setzen des Flags <OnlineTestEnabled>",
          "Error setting flag <OnlineTestEnabled>"}},
        {16,
         {"Fehler beim Setzen des Flags <ShowProtocolEnabled>",
          "Error setting flag <ShowProtocolEnabled>"}},
        {17,
         {"Fehler beim Lesen des Eintrags <LoadAtStartup_Default>",
          "Error reading value <LoadAtStartup_Default>"}},
        {18,
         {"Fehler beim Lesen der in <LoadAtStartup_Default> angegebenen Datei",
          "Error reading the file in <LoadAtStartup_Default>"}},
        {19,
         {"Fehler beim Setzen des Flags <RequestStatus>", "Error setting flag <RequestStatus>"}},
        {21, {"Fehler beim Initialisieren des DataSets", "Error initializing the DataSet"}},
        {22,
         {"Fehler beim Lesen des Eintrags <Channel_DataDef>",
          "Error reading value <Channel_DataDef>"}},
        {23,
         {"Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>",
          "Error reading values from file <Channel_DataDef>"}},
        {24,
         {"Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>: Nicht-numerisches Label",
          "Error reading values from file <Channel_DataDef>: Non-numeric label"}},
        {31, {"Fehler bei Setzen des COM-Ports", "Error setting the COM-Port"}},
        {32,
         {"Fehler bei Setzen der Einstellungen für den COM-Port",
          "Error setting the COM-Port parameters"}},
        {33,
         {"Fehler bei Setzen der Empfangspuffer-Grösse für den COM-Port",
          "Error setting the receive buffer size for the COM-Port"}},
        {34,
         {"Fehler bei Setzen der Sendepuffer-Grösse für den COM-Port",
          "Error setting the send buffer size for the COM-Port"}},
        {35,
         {"Fehler bei Setzen von 'DTR enable' für den COM-Port",
          "Error setting 'DTR enable' for the COM-Port"}},
        {36,
         {"Fehler bei Setzen von 'RTS enable' für den COM-Port",
          "Error setting 'RTS enable' for the COM-Port"}},
        {37,
         {"Fehler bei Setzen des Handshakings für den COM-Port",
          "Error setting the handshaking for the COM-Port"}},
        {38,
         {"Fehler bei Setzen der generellen Einstellungen für den COM-Port",
          "Error setting der general values for the COM-Port"}},
        {39,
         {"Fehler bei Setzen des Timeouts für den COM-Port",
          "Error setting the timeout for the COM-Port"}},
    };
    // Port set-up codes without a text of their own.
    static const Texts portSetUp = {"Fehler beim Einrichten des COM-Ports",
                                    "Error setting up the COM-Port"};

    const auto it = table.constFind(index);
    const Texts *texts = it != table.constEnd() ? &*it : (index >= 40 ? &portSetUp : nullptr);
    if (!texts)
        return {};
    return QString::fromUtf8(language == QLatin1String("GER") ? texts->german : texts->english);
}
