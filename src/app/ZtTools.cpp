#include "app/ZtTools.h"

#include <exception>

#include "app/PageBridge.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "data/ChannelDef.h"
#include "log/AppLog.h"
#include "settings/BuiltInTexts.h"
#include "settings/INITools.h"

namespace {
const QString ExpectedVersion = QStringLiteral("1.0");
const QString TwoBlanks = QStringLiteral("  ");
const QString CrLf = QStringLiteral("\r\n");
} // namespace

ZtTools::ZtTools(Operator &op, PageBridge &pages, AppLog &log, Messages &messages)
    : m_op(op), m_pages(pages), m_log(log), m_messages(messages)
{
}

void ZtTools::StatusText(const QString &text)
{
    m_op.statusText(text);
}

bool ZtTools::CheckDataSet(bool clearStatus)
{
    if (clearStatus)
        StatusText({});
    return true;
}

void ZtTools::FocusTabStrip()
{
    m_pages.FocusTabStrip();
}

int ZtTools::ChannelDef_Read()
{
    const QString name = INI_ReadValue(m_files.iniFile, QStringLiteral("Main"),
                                       QStringLiteral("Channel_DataDef"), QString());
    if (Tools::Trim(name).isEmpty())
        return 1;
    return ChannelDef_ReadLists(Tools::SettingsPath(m_files.appDir, name), m_flags.Language,
                                m_channelList, m_canBusList);
}

void ZtTools::setCodeLists(CodeList channels, CodeList canBus)
{
    m_channelList = std::move(channels);
    m_canBusList = std::move(canBus);
}

void ZtTools::ClearDataSet()
{
    m_data.DataRecord = m_data.DataSetDefault;
    m_data.DataSetDefault = m_data.DataRecord;
    MarkDataClean();
    m_pages.DataSet_ToPages();
}

namespace {
struct DialogKind {
    QString filter;
    QString suffix;
};

// Both spellings of the extension are offered, as file names on Linux keep their case.
DialogKind dialogKind(Messages &messages, int kind)
{
    const QString title = QStringLiteral("ZT DerUvav ");
    switch (kind) {
    case 1:
        return {title + messages.text(QStringLiteral("DataFile")) +
                    QStringLiteral("  (*.DAT *.dat *.Dat)"),
                QStringLiteral("DAT")};
    case 2:
        return {title + messages.text(QStringLiteral("ConfigFile")) +
                    QStringLiteral("  (*.CNS *.cns *.Cns)"),
                QStringLiteral("CNS")};
    case 3:
        return {title + messages.text(QStringLiteral("ConfigFile")) +
                    QStringLiteral("  (*.CNG *.cng *.Cng)"),
                QStringLiteral("CNG")};
    default:
        return {};
    }
}
} // namespace

QString ZtTools::SaveAsDialog(const QString &fileName, int kind)
{
    const DialogKind k = dialogKind(m_messages, kind);
    const QString chosen = m_op.saveFileDialog(m_messages.text(QStringLiteral("SaveAs")), k.filter,
                                               k.suffix, fileName);
    if (!chosen.isEmpty() && Tools::FileExists(chosen)) {
        QString question = m_messages.text(QStringLiteral("QueryOverwrite"));
        if (!m_op.askYesNo(FormatMessage(question, chosen), BoxIcon::Question, m_op.mainCaption()))
            return {};
    }
    return chosen;
}

QString ZtTools::OpenFileDialog(const QString &fileName, int kind)
{
    const DialogKind k = dialogKind(m_messages, kind);
    const QString chosen = m_op.openFileDialog(m_messages.text(QStringLiteral("OpenFile")),
                                               k.filter, k.suffix, fileName);
    if (!chosen.isEmpty() && !Tools::FileExists(chosen)) {
        QString text = m_messages.text(QStringLiteral("FileNotFound"));
        m_op.messageBox(FormatMessage(text, chosen), BoxIcon::Exclamation, m_op.mainCaption());
        return {};
    }
    return chosen;
}

void ZtTools::WriteToDisk(QString &fileName)
{
    m_data.DataRecord.Version.set(ExpectedVersion);
    const QString chosen = SaveAsDialog(fileName, 1);
    if (chosen.isEmpty())
        return; // fileName keeps its value
    fileName = chosen;
    StatusText(TwoBlanks + m_messages.text(QStringLiteral("WritingData")));
    QString writing = m_messages.text(QStringLiteral("WritingFile"));
    m_log.WriteLog(TwoBlanks + FormatMessage(writing, fileName));
    try {
        m_io->write(fileName, DataFile::encode(m_data.DataRecord));
    } catch (const ZtError &e) {
        QString err = m_messages.text(QStringLiteral("WriteToDisk_Err"));
        const QString text = TwoBlanks + FormatMessage(err, e.description(), fileName);
        m_log.WriteLog(text);
        m_op.messageBox(text, BoxIcon::Exclamation, m_files.exeName);
        return;
    }
    MarkDataClean();
    if (m_dataFileUsed)
        m_dataFileUsed(fileName);
    const QString done = TwoBlanks + m_messages.text(QStringLiteral("WritingData_Ok"));
    m_log.WriteLog(done);
    StatusText(done);
}

bool ZtTools::ReadFromDisk(QString &fileName, bool silent, bool noReset)
{
    const QString previous = fileName;
    if (!silent)
        fileName = OpenFileDialog(fileName, 1);
    if (fileName.isEmpty()) {
        fileName = previous;
        return false;
    }

    if (!Tools::FileExists(fileName)) {
        m_op.setHourglass(false);
        QString err = m_messages.text(QStringLiteral("ReadingData_Err"));
        const QString text = TwoBlanks + FormatMessage(err, fileName);
        m_log.WriteLog(text);
        m_op.messageBox(Tools::Trim(text), BoxIcon::Exclamation, m_files.exeName);
        return false;
    }

    if (!silent) {
        QString question = m_messages.text(QStringLiteral("QueryReadData"));
        if (!ConfirmDiscard(FormatMessage(question, fileName)))
            return false;
    }

    m_op.setHourglass(true);
    StatusText(m_messages.text(QStringLiteral("ReadingData")));
    QString reading = m_messages.text(QStringLiteral("ReadingFile"));
    m_log.WriteLog(FormatMessage(reading, fileName));
    if (!noReset)
        DataReset(true, false, false);
    FocusTabStrip();

    try {
        // Decoded into a spare record: a short file changes nothing.
        m_data.DataRecord = DataFile::decode(m_io->read(fileName, DataFile::Size));
    } catch (const ZtError &e) {
        QString err = m_messages.text(QStringLiteral("ReadFromDisk_Err"));
        const QString text = TwoBlanks + FormatMessage(err, e.description(), fileName);
        m_log.WriteLog(text);
        m_op.messageBox(text, BoxIcon::Exclamation, m_files.exeName);
        m_op.setHourglass(false);
        return false;
    }

    if (silent) {
        StatusText({});
    } else {
        const QString done = m_messages.text(QStringLiteral("ReadingData_Ok"));
        m_log.WriteLog(done);
        StatusText(done);
    }

    const QString version = Tools::Trim(m_data.DataRecord.Version.text());
    m_data.DataRecord.Version.set(version);
    if (version == ExpectedVersion) {
        // Only codes of a file that is taken count as saved ones.
        MarkDataClean();
        if (!silent && m_dataFileUsed)
            m_dataFileUsed(fileName);
        FocusTabStrip();
        m_op.setHourglass(false);
        return true;
    }

    qint64 unused = 0;
    const QString shown = Tools::NumberOf(version, unused) ? version : QStringLiteral("0.0");
    const QString german = QStringLiteral("Versionskonflikt: Die Datei '") + fileName +
                           QStringLiteral("' kann nicht gelesen werden (Datei = '") + shown +
                           QStringLiteral("' <> Programm = '") + ExpectedVersion +
                           QStringLiteral("').");
    const QString english = QStringLiteral("Version conflict: The file '") + fileName +
                            QStringLiteral("' cannot be read (file = '") + shown +
                            QStringLiteral("' <> program = '") + ExpectedVersion +
                            QStringLiteral("').");
    m_log.WriteLog(german);
    m_op.messageBox(german + CrLf + CrLf + english + CrLf + CrLf, BoxIcon::Exclamation,
                    m_files.exeName);
    m_op.setHourglass(false);
    return false;
}

void ZtTools::DataReset(bool noQuery, bool loadDefault, bool clearTexts)
{
    if (!noQuery && !m_op.askYesNo(m_messages.text(QStringLiteral("QueryDataReset")), BoxIcon::Stop,
                                   m_op.mainCaption()))
        return;
    const EditHistory::Scope step(m_history, EditHistory::Kind::Reset);

    if (loadDefault) {
        if (!Tools::Trim(m_flags.LoadAtStartup_Default).isEmpty()) {
            QString name = m_flags.LoadAtStartup_Default;
            if (!ReadFromDisk(name, true, true)) {
                EndProg(false);
                return;
            }
            m_pages.DataSet_ToPages();
            if (CheckDataSet(true) && !noQuery)
                StatusText(m_messages.text(QStringLiteral("ReadingData_Ok")));
            m_data.DataSetDefault = m_data.DataRecord;
        }
    } else {
        m_data.DataRecord = m_data.DataSetDefault;
    }

    if (clearTexts)
        for (auto &text : m_data.TextStatus)
            text.set(QString(32, QLatin1Char(' ')));
    m_pages.DataSet_ToPages();
    StatusText(m_messages.text(QStringLiteral("ResetDone")));
}

UnsavedEdits::Parts ZtTools::Unsaved()
{
    DataSet kept = m_data;
    m_pages.DataSet_FromPages();
    const UnsavedEdits::Parts parts = m_unsaved.update(m_data);
    m_data = std::move(kept);
    return parts;
}

bool ZtTools::ConfirmDiscard(const QString &question)
{
    if (DataModified())
        return m_op.askYesNo(m_messages.text(QStringLiteral("QueryDiscardChanges")),
                             BoxIcon::Exclamation, m_op.mainCaption());
    return question.isEmpty() || m_op.askYesNo(question, BoxIcon::Stop, m_op.mainCaption());
}

bool ZtTools::ConfirmEnd(const QString &question)
{
    const UnsavedEdits::Parts parts = Unsaved();
    if (!parts)
        return question.isEmpty() || m_op.askYesNo(question, BoxIcon::Stop, m_op.mainCaption());
    QStringList lines;
    if (parts & UnsavedEdits::Codes)
        lines << BuiltInText(m_messages, "Unsaved_Codes");
    if (parts & UnsavedEdits::System)
        lines << BuiltInText(m_messages, "Unsaved_System");
    const bool offerSave = (parts & UnsavedEdits::Codes) && m_flags.SaveLoadEnabled;
    lines << (offerSave ? BuiltInText(m_messages, "QuerySaveChanges")
                        : BuiltInText(m_messages, "QueryDiscardUnsaved"));
    switch (m_op.askSaveChanges(lines.join(CrLf), offerSave, m_op.mainCaption())) {
    case SaveChoice::Save:
        // As the toolbar's save does it; the end goes on only when the file holds the codes.
        if (CheckDataSet(true)) {
            m_pages.DataSet_FromPages();
            WriteDataFile();
        }
        return !Unsaved().testFlag(UnsavedEdits::Codes);
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

bool ZtTools::EndProg(bool queryMode)
{
    // Already ending (a signal or a window close while the end is under way): once is enough.
    if (m_programEnded)
        return true;
    if (queryMode && !ConfirmEnd(m_messages.fresh(QStringLiteral("QueryEndProg"),
                                                  QStringLiteral("QueryEndProg"))))
        return false;
    m_programEnded = true;

    // Committed to ending: a step that fails is logged and the next one runs, so a
    // read-only settings file or a port that will not close cannot keep the program alive.
    auto step = [this](const std::function<QString()> &run) {
        QString failure;
        try {
            failure = run();
        } catch (const std::exception &e) {
            failure = describe(e);
        }
        if (failure.isEmpty())
            return;
        QString text = m_messages.text(QStringLiteral("EndProg_Err"));
        m_log.WriteLog(TwoBlanks + FormatMessage(text, failure));
    };

    step([&] {
        m_log.WriteLog(queryMode ? m_messages.fresh(QStringLiteral("QueryEndProg_ByUser"),
                                                    QStringLiteral("QueryEndProg_ByUser"))
                                 : m_messages.fresh(QStringLiteral("QueryEndProg_NoQuery"),
                                                    QStringLiteral("QueryEndProg_NoQuery")));
        return QString();
    });
    step([&] {
        if (FormGeometry *window = m_op.mainWindow())
            INI_SaveFormPosition(*window, m_files.iniFile, QStringLiteral("Screen"),
                                 QStringLiteral("Coord_"));
        return QString();
    });
    step([&] {
        if (INI_WriteValue(m_files.iniFile, QStringLiteral("Recent"), QStringLiteral("ActTabStrip"),
                           QString::number(m_pages.selectedTab()), false))
            return QString();
        return QStringLiteral("Recent/ActTabStrip not written to ") + m_files.iniFile;
    });
    step([&] {
        const qint16 result = INI_Tidy(m_files.iniFile);
        return result == 0 ? QString()
                           : QStringLiteral("INI_Tidy %1 on %2").arg(result).arg(m_files.iniFile);
    });
    step([&] {
        if (m_closePort)
            m_closePort(); // reports its own failure
        return QString();
    });
    step([&] {
        m_log.CloseLog();
        return QString();
    });
    m_op.endProgram();
    return true;
}
