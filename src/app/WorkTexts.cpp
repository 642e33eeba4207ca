#include "app/WorkTexts.h"

#include "settings/Messages.h"

namespace {
struct BuiltIn {
    const char *key;
    const char *german;
    const char *english;
};

constexpr BuiltIn Texts[] = {
    {"Undo_Code", "Code gewählt", "Code chosen"},
    {"Undo_CanBus", "CAN-Adresse gewählt", "CAN address chosen"},
    {"Undo_AcuVersion", "ACU-Version eingegeben", "ACU version typed"},
    {"Undo_Reset", "Editor zurückgesetzt", "Editor reset"},
    {"Undo_TakeOver", "Aus dem Vergleich übernommen", "Taken over from the comparison"},
    {"Undo_Load", "Datei geladen", "File loaded"},
    {"Undo_DataBlock", "Daten vom Gerät", "Data from the device"},
    {"Undo_Done", "Rückgängig: &", "Undone: &"},
    {"Redo_Done", "Wiederhergestellt: &", "Redone: &"},
    {"Compare_File.ToolTip", "Mit Datei vergleichen...", "Compare with file..."},
    {"Compare_Device.ToolTip", "Mit dem Gerät vergleichen", "Compare with device"},
    {"Compare_Title", "Vergleich", "Comparison"},
    {"Compare_Group", "Gruppe", "Group"},
    {"Compare_Row", "Nr.", "Row"},
    {"Compare_This", "Hier", "Here"},
    {"Compare_Device", "Gerät", "Device"},
    {"Compare_TakeOver", "Übernehmen", "Take over"},
    {"Compare_TakeOverAll", "Alle übernehmen", "Take over all"},
    {"Compare_Count", "& Unterschiede zu &", "& differences from &"},
    {"Compare_Equal", "Keine Unterschiede zu &", "No differences from &"},
    {"Find_Placeholder", "Taste suchen: Code oder Bezeichnung", "Find a key: code or label"},
    {"Find_NotFound", "Nicht gefunden", "Not found"},
    {"Find_Position", "& von &", "& of &"},
};
} // namespace

QString workText(Messages &messages, const char *key)
{
    const QString name = QString::fromLatin1(key);
    for (const BuiltIn &t : Texts)
        if (qstrcmp(t.key, key) == 0)
            return messages.text(name, QString::fromUtf8(messages.language() == QLatin1String("ENG")
                                                             ? t.english
                                                             : t.german));
    return messages.text(name);
}
