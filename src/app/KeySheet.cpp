#include "app/KeySheet.h"

#include <QFileInfo>
#include <QSaveFile>

#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "log/AppLog.h"
#include "settings/BuiltInTexts.h"

namespace {
// A fixed text as shown: no padding, no unset characters.
QString shown(const QString &text)
{
    return Tools::Trim(QString(text).remove(QChar(0)));
}

QString labelOf(const CodeList &list, qint32 code)
{
    for (const CodeEntry &e : list)
        if (e.hasCode && e.code == code)
            return e.label;
    return {};
}

QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') &&
        !bytes.contains('\r'))
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}
} // namespace

KeySheet MakeKeySheet(ZtTools &zt, QDate date)
{
    zt.pages().DataSet_FromPages();
    const DataSet &data = zt.data();
    KeySheet sheet;
    sheet.site = zt.exeName();
    sheet.file = zt.dataFileName();
    sheet.date = date;
    for (const auto &text : data.TextStatus)
        sheet.statusTexts << shown(text.text());
    sheet.acuVersion = shown(data.ACUVersion.text());
    sheet.canBusAddr = QString::number(data.CanBusAddr);
    const QString canLabel = labelOf(zt.canBusList(), data.CanBusAddr);
    if (!canLabel.isEmpty())
        sheet.canBusAddr += QStringLiteral("  ") + canLabel;

    // The buttons page shows this many; the same bounds as there.
    const int rows = qBound<int>(1, zt.flags().CountKeyRows, KeyRows);
    const int groups = qBound<int>(1, zt.flags().CountKeyCols, KeyGroups);
    for (int g = 1; g <= groups; ++g) {
        for (int r = 1; r <= rows; ++r) {
            const qint16 code = data.DataRecord.button(g, r);
            sheet.keys << KeySheet::Key{QString(QLatin1Char(char('A' + g - 1))), r, code,
                                        code == 0 ? zt.notDefinedText()
                                                  : labelOf(zt.channelList(), code)};
        }
    }
    return sheet;
}

QByteArray KeySheetCsv(const KeySheet &sheet)
{
    QByteArray csv = "group,row,code,label\r\n";
    for (const KeySheet::Key &k : sheet.keys)
        csv += csvField(k.group) + ',' + QByteArray::number(k.row) + ',' +
               QByteArray::number(k.code) + ',' + csvField(k.label) + "\r\n";
    return csv;
}

QString KeySheetTarget(ZtTools &zt, const QString &suffix)
{
    Messages &msg = zt.msg();
    Operator &op = zt.op();
    const bool pdf = suffix == QLatin1String("pdf");
    const QString filter =
        BuiltInText(msg, pdf ? QStringLiteral("KeySheet_PdfFilter")
                             : QStringLiteral("KeySheet_CsvFilter")) +
        (pdf ? QStringLiteral("  (*.pdf *.PDF)") : QStringLiteral("  (*.csv *.CSV)"));
    const QFileInfo data(zt.dataFileName());
    const QString initial = data.absolutePath() + u'/' + data.completeBaseName() + u'.' + suffix;
    const QString chosen =
        op.saveFileDialog(msg.text(QStringLiteral("SaveAs")), filter, suffix, initial);
    if (!chosen.isEmpty() && Tools::FileExists(chosen) &&
        !op.askYesNo(FormatMessage(msg.text(QStringLiteral("QueryOverwrite")), chosen),
                     BoxIcon::Question, op.mainCaption()))
        return {};
    return chosen;
}

void ReportKeySheetFile(ZtTools &zt, const QString &path, const QString &failure)
{
    Messages &msg = zt.msg();
    if (failure.isEmpty()) {
        const QString done = QStringLiteral("  ") +
                             FormatMessage(BuiltInText(msg, QStringLiteral("KeySheet_Ok")), path);
        zt.log().WriteLog(done);
        zt.StatusText(done);
        return;
    }
    const QString text =
        QStringLiteral("  ") +
        FormatMessage(BuiltInText(msg, QStringLiteral("KeySheet_Err")), failure, path);
    zt.log().WriteLog(text);
    zt.StatusText(text);
    zt.op().messageBox(Tools::Trim(text), BoxIcon::Exclamation, zt.op().mainCaption());
}

bool WriteKeySheetFile(ZtTools &zt, const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    QString failure;
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        failure = out.errorString();
    ReportKeySheetFile(zt, path, failure);
    return failure.isEmpty();
}

void ExportKeySheetCsv(ZtTools &zt)
{
    const QString path = KeySheetTarget(zt, QStringLiteral("csv"));
    if (!path.isEmpty())
        WriteKeySheetFile(zt, path, KeySheetCsv(MakeKeySheet(zt, QDate::currentDate())));
}
