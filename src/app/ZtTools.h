#pragma once
#include <QString>
#include <functional>
#include <optional>

#include "app/ProgramFlags.h"
#include "data/CodeList.h"
#include "data/DataFile.h"
#include "data/DataSet.h"
#include "link/LinkReport.h"
#include "settings/Messages.h"

class AppLog;
class Operator;
class PageBridge;

// The main module: program-wide state of start-up and the procedures every part uses
// to talk to the operator and to end the program.
class ZtTools {
public:
    ZtTools(Operator &op, PageBridge &pages, AppLog &log, Messages &messages);

    // --- program-wide state ---
    QString AppDir;  // the instance folder (settings, log, data), no trailing separator
    QString ExeName; // executable name without extension
    QString IniFileName, LogFileName, DataFileName, HexFileName;
    ProgramFlags Flags;
    DataSet Data;
    CodeList ChannelList; // lstData of the buttons page
    CodeList CanBusList;  // lstData of the system page
    qint16 MaxFormHeight = 14640;
    QString NotDefinedText;
    QString ReadyText;
    bool ProgramStarted = false;
    // EndProg is past its question: the program is ending and nothing may run on.
    bool ProgramEnded = false;
    bool ThemeActive = false;
    // Closes the serial port at program end (Comm_ClosePort); set by the link.
    std::function<bool()> ClosePort;
    // Disk access of ReadFromDisk/WriteToDisk; tests hand in one that fails on purpose.
    void setDataFileIo(DataFileIo &io) { m_io = &io; }

    Operator &op() { return m_op; }
    PageBridge &pages() { return m_pages; }
    AppLog &log() { return m_log; }
    Messages &msg() { return m_messages; }
    // How the link reports: through this module's operator, log and catalogue, its boxes
    // titled by the program's name and shown as the ShowMsgBox flag says.
    LinkReport linkReport() { return {m_messages, m_op, m_log, ExeName, Flags.ShowMsgBox}; }

    // --- status line, messages ---
    void StatusText(const QString &text);
    bool CheckDataSet(bool clearStatus = false);
    void FocusTabStrip();

    // --- data set ---
    int ChannelDef_Read(); // 0 ok, 1 no Channel_DataDef, 2 failure, 3 non-numeric key
    void ClearDataSet();

    // --- data file with its dialogs ---
    QString SaveAsDialog(const QString &fileName, int kind);
    QString OpenFileDialog(const QString &fileName, int kind);
    void WriteToDisk(QString &fileName);
    bool ReadFromDisk(QString &fileName, bool silent, bool noReset = false);

    // --- reset and end ---
    void DataReset(bool noQuery, bool loadDefault, bool clearTexts);
    // False when the operator declines; otherwise the program ends inside the call.
    bool EndProg(bool queryMode);

    // --- unsaved edits ---
    // The codes now are the ones last loaded, saved, sent or received.
    void MarkDataClean() { m_cleanButtons = Data.DataRecord.Buttons; }
    // The codes on the pages differ from those (never before the first of these); the
    // DataSet itself is left as it is.
    bool DataModified();
    // Before the codes are replaced or the program ends: with unsaved edits the one
    // question whether to discard them, otherwise the question given (none when empty).
    // True when the operator agrees or nothing was to be asked.
    bool ConfirmDiscard(const QString &question);

private:
    Operator &m_op;
    PageBridge &m_pages;
    AppLog &m_log;
    Messages &m_messages;
    DataFileIo m_diskIo;
    DataFileIo *m_io = &m_diskIo;
    std::optional<decltype(ButtonRecord::Buttons)> m_cleanButtons;
};
