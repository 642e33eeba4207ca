#include "settings/BuiltInTexts.h"

#include <QHash>

#include "settings/Messages.h"

namespace {
struct Texts {
    const char *german;
    const char *english;
};

const QHash<QString, Texts> &table()
{
    static const QHash<QString, Texts> texts = {
        {QStringLiteral("Menu_KeySheetPrint.ToolTip"),
         {"Tastenbelegung drucken", "Print the key sheet"}},
        {QStringLiteral("Menu_KeySheetPdf.ToolTip"),
         {"Tastenbelegung als PDF sichern", "Save the key sheet as PDF"}},
        {QStringLiteral("Menu_KeySheetCsv.ToolTip"),
         {"Tastentabelle als CSV exportieren", "Export the key table as CSV"}},
        {QStringLiteral("Menu_FileRecent.ToolTip"), {"Zuletzt verwendete Dateien", "Recent files"}},
        {QStringLiteral("KeySheet_Title"), {"Tastenbelegung", "Key sheet"}},
        {QStringLiteral("KeySheet_Site"), {"Anlage", "Site"}},
        {QStringLiteral("KeySheet_File"), {"Datei", "File"}},
        {QStringLiteral("KeySheet_Date"), {"Datum", "Date"}},
        {QStringLiteral("KeySheet_Status"), {"Statustexte", "Status texts"}},
        {QStringLiteral("KeySheet_AcuVersion"), {"ACU-Version", "ACU version"}},
        {QStringLiteral("KeySheet_CanBusAddr"), {"CAN-Bus-Adresse", "CAN bus address"}},
        {QStringLiteral("KeySheet_Group"), {"Gruppe", "Group"}},
        {QStringLiteral("KeySheet_Row"), {"Zeile", "Row"}},
        {QStringLiteral("KeySheet_Code"), {"Code", "Code"}},
        {QStringLiteral("KeySheet_Label"), {"Bezeichnung", "Label"}},
        {QStringLiteral("KeySheet_Page"), {"Seite & von &", "Page & of &"}},
        {QStringLiteral("KeySheet_PdfFilter"), {"PDF-Dokument", "PDF document"}},
        {QStringLiteral("KeySheet_CsvFilter"), {"CSV-Tabelle", "CSV table"}},
        {QStringLiteral("KeySheet_Err"),
         {"Fehler beim Schreiben: & (Datei &)", "Error writing: & (file &)"}},
        {QStringLiteral("KeySheet_Ok"), {"& geschrieben", "& written"}},
        {QStringLiteral("KeySheet_PrintErr"),
         {"Der Drucker & hat den Druck nicht angenommen.",
          "The printer & did not take the print job."}},
        {QStringLiteral("KeySheet_PrintOk"),
         {"Tastenbelegung an & gesendet", "Key sheet sent to &"}},
        {QStringLiteral("LoadDisabled"),
         {"Das Laden von Datendateien ist abgeschaltet (SaveLoadEnabled): & wurde nicht geladen.",
          "Loading data files is switched off (SaveLoadEnabled): & was not loaded."}},
        // ztcfg
        {QStringLiteral("Cfg_Usage_Err"),
         {"&. ztcfg --help zeigt die Befehle und Optionen.",
          "&. ztcfg --help lists the commands and options."}},
        {QStringLiteral("Cfg_Not_A_File"),
         {"& ist &, keine Datendatei.", "& is &, not a data file."}},
        {QStringLiteral("ReadingData_Err"),
         {"Die Datei & wurde nicht gefunden.", "The file & was not found."}},
        {QStringLiteral("ReadFromDisk_Err"),
         {"Fehler beim Laden: & (Datei &)", "Error loading: & (file &)"}},
        {QStringLiteral("Cfg_Size_Err"),
         {"& enthält & Bytes, eine Datendatei enthält 210 Bytes.",
          "& holds & bytes, a data file holds 210 bytes."}},
        {QStringLiteral("Cfg_Version_Err"),
         {"Versionskonflikt: Die Datei '&' kann nicht gelesen werden (Datei = '&' <> Programm = "
          "'&').",
          "Version conflict: The file '&' cannot be read (file = '&' <> program = '&')."}},
        {QStringLiteral("WriteToDisk_Err"),
         {"Fehler beim Speichern: & (Datei &)", "Error saving: & (file &)"}},
        {QStringLiteral("WritingData_Ok"), {"Daten gespeichert", "Data saved"}},
        {QStringLiteral("Cfg_Bad_Code"), {"kein Code 0-32767", "not a code 0-32767"}},
        {QStringLiteral("Cfg_Bad_Codes"),
         {"& enthält noch Codes außerhalb 0-32767: &", "& still holds codes outside 0-32767: &"}},
        {QStringLiteral("Cfg_Json_Err"),
         {"Die Datei & enthält keine gültigen Codes: &", "The file & does not hold the codes: &"}},
        {QStringLiteral("Cfg_Count_Err"), {"ist keine Zahl", "is not a number"}},
        {QStringLiteral("Cfg_Code_Err"),
         {"&: Taste & enthält &, ein Gerät nimmt nur Codes 0-32767 und gäbe ihn nie zurück. Nichts "
          "gesendet (ztcfg set korrigiert).",
          "&: key & holds &, a device takes codes 0-32767 only and never gives it back. Nothing "
          "sent (ztcfg set corrects it)."}},
        {QStringLiteral("Cfg_OpenPort_Err"),
         {"Die Schnittstelle kann nicht geöffnet werden: &", "Cannot open the port: &"}},
        {QStringLiteral("Cfg_Connection_Lost"), {"Verbindung verloren: &", "Connection lost: &"}},
        {QStringLiteral("Cfg_Shape_Err"),
         {"Das Gerät sandte & Codes, nicht & Zeilen x Gruppen = & (&). Nichts geschrieben: --rows "
          "und --cols des Geräts angeben.",
          "The device sent & codes, not & rows x groups = & (&). Nothing written: give the "
          "device's --rows and --cols."}},
        {QStringLiteral("Cfg_Settings"), {"Einstellungen: &", "settings: &"}},
        // ztcfg fleet
        {QStringLiteral("Fleet_Progress"),
         {"& fertig, & fehlgeschlagen, & laufend, & wartend, & s",
          "& done, & failed, & running, & waiting, & s"}},
        {QStringLiteral("Fleet_Stopping"),
         {"Anhalten: & laufende Übertragung(en) werden abgewartet, keine neue beginnt. Noch einmal "
          "Strg+C bricht sie sofort ab.",
          "Stopping: waiting for & running exchange(s), starting no more. Ctrl+C again stops them "
          "at once."}},
        {QStringLiteral("Fleet_Summary"),
         {"& von & Gerät(en) erledigt, & nicht erledigt, & mit Dateiproblem, & s",
          "& of & device(s) done, & not done, & with a file problem, & s"}},
        {QStringLiteral("Fleet_Size_Err"),
         {"Die Datei & hat & Bytes, eine Datendatei hat 210.",
          "The file & holds & bytes, a data file holds 210."}},
        {QStringLiteral("Fleet_Missing_Err"),
         {"Die Datei & fehlt oder ist keine Datei.", "The file & is missing or not a file."}},
        {QStringLiteral("Fleet_Rename_Err"),
         {"Die Datei & kann nicht ersetzt werden: &", "The file & cannot be replaced: &"}},
        {QStringLiteral("Fleet_Differs"),
         {"& Code(s) weichen ab (Datei -> Gerät)", "& code(s) differ (file -> device)"}},
        {QStringLiteral("Fleet_Skipped"), {"nicht begonnen: angehalten", "not started: stopped"}},
        {QStringLiteral("Fleet_Stopped"),
         {"abgebrochen: sofort angehalten, nichts geschrieben",
          "cut off: stopped at once, nothing written"}},
        {QStringLiteral("Fleet_Inventory_Err"), {"& Zeile &: &", "& line &: &"}},
        {QStringLiteral("Undo_Code"), {"Code gewählt", "Code chosen"}},
        {QStringLiteral("Undo_CanBus"), {"CAN-Adresse gewählt", "CAN address chosen"}},
        {QStringLiteral("Undo_AcuVersion"), {"ACU-Version eingegeben", "ACU version typed"}},
        {QStringLiteral("Undo_Reset"), {"Editor zurückgesetzt", "Editor reset"}},
        {QStringLiteral("Undo_TakeOver"),
         {"Aus dem Vergleich übernommen", "Taken over from the comparison"}},
        {QStringLiteral("Undo_Load"), {"Datei geladen", "File loaded"}},
        {QStringLiteral("Undo_DataBlock"), {"Daten vom Gerät", "Data from the device"}},
        {QStringLiteral("Undo_Done"), {"Rückgängig: &", "Undone: &"}},
        {QStringLiteral("Redo_Done"), {"Wiederhergestellt: &", "Redone: &"}},
        {QStringLiteral("Compare_File.ToolTip"),
         {"Mit Datei vergleichen...", "Compare with file..."}},
        {QStringLiteral("Compare_Device.ToolTip"),
         {"Mit dem Gerät vergleichen", "Compare with device"}},
        {QStringLiteral("Compare_Title"), {"Vergleich", "Comparison"}},
        {QStringLiteral("Compare_Group"), {"Gruppe", "Group"}},
        {QStringLiteral("Compare_Row"), {"Nr.", "Row"}},
        {QStringLiteral("Compare_This"), {"Hier", "Here"}},
        {QStringLiteral("Compare_Device"), {"Gerät", "Device"}},
        {QStringLiteral("Compare_TakeOver"), {"Übernehmen", "Take over"}},
        {QStringLiteral("Compare_TakeOverAll"), {"Alle übernehmen", "Take over all"}},
        {QStringLiteral("Compare_Count"), {"& Unterschiede zu &", "& differences from &"}},
        {QStringLiteral("Compare_Equal"), {"Keine Unterschiede zu &", "No differences from &"}},
        {QStringLiteral("Find_Placeholder"),
         {"Taste suchen: Code oder Bezeichnung", "Find a key: code or label"}},
        {QStringLiteral("Find_NotFound"), {"Nicht gefunden", "Not found"}},
        {QStringLiteral("Find_Position"), {"& von &", "& of &"}},
        {QStringLiteral("DataModified_System"), {"System nicht gesendet", "system not sent"}},
        {QStringLiteral("Unsaved_Codes"),
         {"Die Tastenbelegung wurde geändert und nicht gesichert.",
          "The key assignments were changed and not saved."}},
        {QStringLiteral("Unsaved_System"),
         {"ACU-Version oder CanBus-Adresse wurden geändert und nicht an das Gerät gesendet.",
          "The ACU version or CAN bus address was changed and not sent to the device."}},
        {QStringLiteral("QuerySaveChanges"),
         {"Sollen die Änderungen gesichert werden?", "Save the changes?"}},
        {QStringLiteral("QueryDiscardUnsaved"),
         {"Sollen die Änderungen verworfen werden?", "Discard the changes?"}},
    };
    return texts;
}
} // namespace

QString BuiltInText(Messages &messages, const QString &key)
{
    const auto it = table().constFind(key);
    if (it == table().constEnd())
        return messages.text(key);
    const bool english = messages.language() == QLatin1String("ENG");
    return messages.text(key, QString::fromUtf8(english ? it->english : it->german));
}
