#include "app/DataFileOpening.h"

#include <QDir>
#include <QFileInfo>

#include "app/PageBridge.h"
#include "app/RecentFiles.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "log/AppLog.h"
#include "settings/BuiltInTexts.h"

DataFileOpening::DataFileOpening(ZtTools &zt, RecentFiles &recent) : m_zt(zt), m_recent(recent) {}

bool DataFileOpening::open(const QString &path, Ask ask)
{
    Messages &msg = m_zt.msg();
    Operator &op = m_zt.op();
    const QString file = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!m_zt.flags().SaveLoadEnabled) {
        op.messageBox(FormatMessage(BuiltInText(msg, QStringLiteral("LoadDisabled")), file),
                      BoxIcon::Exclamation, op.mainCaption());
        return false;
    }
    // The open dialog's own check.
    if (!Tools::FileExists(file)) {
        op.messageBox(FormatMessage(msg.text(QStringLiteral("FileNotFound")), file),
                      BoxIcon::Exclamation, op.mainCaption());
        return false;
    }
    if (ask == Ask::UnsavedEdits && !m_zt.ConfirmDiscard({}))
        return false;

    // Reading resets the pages first; a file it refuses must leave them as they were.
    m_zt.pages().DataSet_FromPages();
    const DataSet kept = m_zt.data();
    QString name = file;
    if (!m_zt.ReadFromDisk(name, true)) {
        m_zt.data() = kept;
        m_zt.pages().DataSet_ToPages();
        return false;
    }
    m_zt.setDataFileName(file);
    m_zt.pages().DataSet_ToPages();
    const QString done = msg.text(QStringLiteral("ReadingData_Ok"));
    m_zt.log().WriteLog(done);
    m_zt.StatusText(done);
    m_recent.add(file);
    return true;
}
