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
