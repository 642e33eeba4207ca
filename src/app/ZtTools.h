#pragma once
#include <QString>
#include <functional>

#include "app/EditHistory.h"
#include "app/ProgramFlags.h"
#include "app/UnsavedEdits.h"
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

    // Where this instance keeps its files; set once while the program sets itself up.
    struct Files {
        // Each one left out of a set-up call stays empty.
        QString appDir = {};  // the instance folder (settings, log, data), no trailing separator
        QString exeName = {}; // executable name without extension
        QString iniFile = {};
        QString logFile = {};
        QString dataFile = {};
        QString hexFile = {};
    };
    void setFiles(Files files) { m_files = std::move(files); }
    const QString &appDir() const { return m_files.appDir; }
    const QString &exeName() const { return m_files.exeName; }
    const QString &iniFileName() const { return m_files.iniFile; }
    const QString &logFileName() const { return m_files.logFile; }
    // The data file loaded or saved last; ReadDataFile/WriteDataFile let the operator pick
    // another.
    const QString &dataFileName() const { return m_files.dataFile; }
    const QString &hexFileName() const { return m_files.hexFile; }
    void setDataFileName(const QString &name) { m_files.dataFile = name; }
    // Told of each data file the operator loaded or saved through the dialogs (the recent
    // files).
    void setDataFileUsed(std::function<void(const QString &)> used)
    {
        m_dataFileUsed = std::move(used);
    }

    // The settings read at start-up. setupFlags() is for the one who sets the program up
    // (start-up, the command-line tool, test rigs); everyone else reads flags().
    const ProgramFlags &flags() const { return m_flags; }
    ProgramFlags &setupFlags() { return m_flags; }

    // The document the pages, the link and the data files edit in place.
    DataSet &data() { return m_data; }

    // The choices of the buttons page (lstData) and of the system page, read by
    // ChannelDef_Read; tests hand in their own.
    const CodeList &channelList() const { return m_channelList; }
    const CodeList &canBusList() const { return m_canBusList; }
    void setCodeLists(CodeList channels, CodeList canBus);

    static constexpr qint16 DefaultMaxFormHeight = 14640;
    // The tallest the main window may grow, in twips; the buttons page lowers it by the
    // rows it hides.
    qint16 maxFormHeight() const { return m_maxFormHeight; }
    void setMaxFormHeight(qint16 twips) { m_maxFormHeight = twips; }

    // Catalogue texts of the language chosen: an empty choice, and the idle status line.
    const QString &notDefinedText() const { return m_notDefinedText; }
    void setNotDefinedText(const QString &text) { m_notDefinedText = text; }
    const QString &readyText() const { return m_readyText; }
    void setReadyText(const QString &text) { m_readyText = text; }

    // Start-up has run to its end.
    bool programStarted() const { return m_programStarted; }
    void setProgramStarted(bool started) { m_programStarted = started; }
    // EndProg is past its question: the program is ending and nothing may run on.
    bool programEnded() const { return m_programEnded; }
    // The windows follow a theme: the pages show its drop-down pictures.
    bool themeActive() const { return m_themeActive; }
    void setThemeActive(bool active) { m_themeActive = active; }

    // Closes the serial port at program end (Comm_ClosePort); the link hands it in.
    void setPortCloser(std::function<bool()> closer) { m_closePort = std::move(closer); }
    // Disk access of ReadFromDisk/WriteToDisk; tests hand in one that fails on purpose.
    void setDataFileIo(DataFileIo &io) { m_io = &io; }

    Operator &op() { return m_op; }
    PageBridge &pages() { return m_pages; }
    AppLog &log() { return m_log; }
    Messages &msg() { return m_messages; }
    // The undo history of the pages.
    EditHistory &history() { return m_history; }
    // How the link reports: through this module's operator, log and catalogue, its boxes
    // titled by the program's name and shown as the ShowMsgBox flag says.
    LinkReport linkReport()
    {
        return {m_messages, m_op, m_log, m_files.exeName, m_flags.ShowMsgBox};
    }

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
    // The same with the data file: the name the operator picks becomes the data file.
    void WriteDataFile() { WriteToDisk(m_files.dataFile); }
    bool ReadDataFile() { return ReadFromDisk(m_files.dataFile, false); }

    // --- reset and end ---
    void DataReset(bool noQuery, bool loadDefault, bool clearTexts);
    // False when the operator declines; otherwise the program ends inside the call.
    bool EndProg(bool queryMode);

    // --- unsaved edits ---
    // The reference images the pages are compared with, and the signal of the outcome.
    UnsavedEdits &unsavedEdits() { return m_unsaved; }
    // The codes now are those of the data file (just loaded or saved).
    void MarkDataClean() { m_unsaved.setFileImage(m_data.DataRecord.Buttons); }
    // What the pages hold that neither the data file nor the device does; the DataSet
    // itself is left as it is.
    UnsavedEdits::Parts Unsaved();
    bool DataModified()
    {
        return m_unsaved.hasFileImage() && Unsaved().testFlag(UnsavedEdits::Codes);
    }
    // Before the codes are replaced: with unsaved codes the one question whether to
    // discard them, otherwise the question given (none when empty). True when the
    // operator agrees or nothing was to be asked.
    bool ConfirmDiscard(const QString &question);
    // Before the program ends: with unsaved edits one question, offering Save where the
    // data file can hold them (Save saves and agrees only when that worked); otherwise
    // the question given (none when empty). True when the program may end.
    bool ConfirmEnd(const QString &question);

private:
    Operator &m_op;
    PageBridge &m_pages;
    AppLog &m_log;
    Messages &m_messages;
    Files m_files;
    ProgramFlags m_flags;
    DataSet m_data;
    CodeList m_channelList;
    CodeList m_canBusList;
    qint16 m_maxFormHeight = DefaultMaxFormHeight;
    QString m_notDefinedText;
    QString m_readyText;
    bool m_programStarted = false;
    bool m_programEnded = false;
    bool m_themeActive = false;
    std::function<bool()> m_closePort;
    std::function<void(const QString &)> m_dataFileUsed;
    DataFileIo m_diskIo;
    DataFileIo *m_io = &m_diskIo;
    UnsavedEdits m_unsaved;
    EditHistory m_history{*this};
};
