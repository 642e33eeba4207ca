#include "gui/app/KeySheetPrinter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/KeySheet.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "log/AppLog.h"
#include "settings/BuiltInTexts.h"

namespace {
constexpr qreal TextPoints = 10;
constexpr qreal TitlePoints = 16;
constexpr qreal MarginMm = 15;

// One line of the sheet; kinds in the order they are laid out.
struct Line {
    enum Kind { Info, Gap, TableHead, KeyRow } kind;
    QString left;  // Info: the caption
    QString right; // Info: the value
    int key = -1;  // KeyRow: index into the sheet's keys
};

QList<Line> linesOf(const KeySheet &sheet, Messages &msg)
{
    const auto t = [&msg](const char *key) { return BuiltInText(msg, QLatin1String(key)); };
    QList<Line> lines;
    lines << Line{Line::Info, t("KeySheet_Site"), sheet.site}
          << Line{Line::Info, t("KeySheet_File"), sheet.file}
          << Line{Line::Info, t("KeySheet_Date"), sheet.date.toString(Qt::ISODate)};
    for (int i = 0; i < sheet.statusTexts.size(); ++i)
        lines << Line{Line::Info, i == 0 ? t("KeySheet_Status") : QString(), sheet.statusTexts[i]};
    lines << Line{Line::Info, t("KeySheet_AcuVersion"), sheet.acuVersion}
          << Line{Line::Info, t("KeySheet_CanBusAddr"), sheet.canBusAddr} << Line{Line::Gap, {}, {}}
          << Line{Line::TableHead, {}, {}};
    for (int k = 0; k < sheet.keys.size(); ++k)
        lines << Line{Line::KeyRow, {}, {}, k};
    return lines;
}
} // namespace

KeySheetPrinter::KeySheetPrinter(ZtTools &zt, QWidget *dialogParent)
    : m_zt(zt), m_dialogParent(dialogParent)
{
}

QPageSize::PageSizeId KeySheetPrinter::localPageSize()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                              : QPageSize::A4;
}

int KeySheetPrinter::paint(const KeySheet &sheet, Messages &msg, QPagedPaintDevice &device)
{
    QPainter p;
    if (!p.begin(&device))
        return 0;
    const auto t = [&msg](const char *key) { return BuiltInText(msg, QLatin1String(key)); };
    // Sizes in points, whatever the device's resolution.
    QFont text(QStringLiteral("Sans Serif"));
    text.setStyleHint(QFont::SansSerif);
    text.setPointSizeF(TextPoints);
    QFont bold = text;
    bold.setBold(true);
    QFont title = bold;
    title.setPointSizeF(TitlePoints);
    const QFontMetricsF fm(text, &device);
    const QFontMetricsF tm(title, &device);
    const qreal row = fm.height() * 1.35;
    const qreal width = device.width();
    const qreal bottom = device.height() - row * 1.5; // the footer below
    const qreal rule = qMax<qreal>(1, device.logicalDpiX() / 144.0);
    // Columns of the key table: group, row, code (right-aligned), label.
    const qreal colRow = fm.horizontalAdvance(t("KeySheet_Group")) + row * 2;
    const qreal colCode = colRow + fm.horizontalAdvance(t("KeySheet_Row")) + row * 2;
    const qreal codeWidth = fm.horizontalAdvance(QStringLiteral("-000000"));
    const qreal colLabel = colCode + codeWidth + row * 2;
    const qreal infoValue = [&] {
        qreal w = 0;
        for (const char *k : {"KeySheet_Site", "KeySheet_File", "KeySheet_Date", "KeySheet_Status",
                              "KeySheet_AcuVersion", "KeySheet_CanBusAddr"})
            w = qMax(w, fm.horizontalAdvance(t(k)));
        return w + row;
    }();

    const QList<Line> lines = linesOf(sheet, msg);
    // Lays the lines out page by page; the first pass only counts the pages, so the
    // footers can say how many there are.
    bool painting = false;
    int pageCount = 0;
    int page = 1;
    qreal y = 0;
    const auto header = [&] {
        if (painting) {
            p.setFont(title);
            p.drawText(QPointF(0, tm.ascent()),
                       t("KeySheet_Title") + QStringLiteral(" \u2013 ") + sheet.site);
        }
        y = tm.height() + row * 0.5;
    };
    const auto tableHead = [&] {
        if (painting) {
            p.setFont(bold);
            const qreal base = y + fm.ascent();
            p.drawText(QPointF(0, base), t("KeySheet_Group"));
            p.drawText(QPointF(colRow, base), t("KeySheet_Row"));
            p.drawText(QRectF(colCode, y, codeWidth, row), Qt::AlignRight | Qt::AlignTop,
                       t("KeySheet_Code"));
            p.drawText(QPointF(colLabel, base), t("KeySheet_Label"));
            p.fillRect(QRectF(0, y + row * 0.8, width, rule), Qt::black);
        }
        y += row;
    };
    const auto footer = [&] {
        if (!painting)
            return;
        p.setFont(text);
        const QString number =
            FormatMessage(t("KeySheet_Page"), QString::number(page), QString::number(pageCount));
        const qreal numberWidth = fm.horizontalAdvance(number);
        const QRectF line(0, device.height() - row, width, row);
        p.drawText(line, Qt::AlignRight | Qt::AlignTop, number);
        p.drawText(line, Qt::AlignLeft | Qt::AlignTop,
                   fm.elidedText(sheet.file, Qt::ElideMiddle, width - numberWidth - row * 2));
    };
    const auto keyRow = [&](const KeySheet::Key &k, bool shaded) {
        if (shaded)
            p.fillRect(QRectF(0, y, width, row), QColor(230, 230, 230));
        const qreal base = y + fm.ascent();
        p.drawText(QPointF(0, base), k.group);
        p.drawText(QPointF(colRow, base), QString::number(k.row));
        p.drawText(QRectF(colCode, y, codeWidth, row), Qt::AlignRight | Qt::AlignTop,
                   QString::number(k.code));
        p.drawText(QPointF(colLabel, base),
                   fm.elidedText(k.label, Qt::ElideRight, width - colLabel));
    };
    const auto layout = [&] {
        page = 1;
        header();
        for (const Line &line : lines) {
            if (y + row > bottom) {
                footer();
                if (painting && !device.newPage())
                    return false;
                ++page;
                header();
                if (line.kind == Line::KeyRow)
                    tableHead();
            }
            if (line.kind == Line::TableHead) {
                tableHead();
                continue;
            }
            if (painting) {
                p.setFont(text);
                if (line.kind == Line::Info) {
                    p.drawText(QPointF(0, y + fm.ascent()), line.left);
                    p.drawText(QPointF(infoValue, y + fm.ascent()),
                               fm.elidedText(line.right, Qt::ElideMiddle, width - infoValue));
                } else if (line.kind == Line::KeyRow) {
                    keyRow(sheet.keys[line.key], line.key % 2 == 1);
                }
            }
            y += row;
        }
        footer();
        return true;
    };
    layout();
    pageCount = page;
    painting = true;
    const bool whole = layout();
    p.end();
    return whole ? pageCount : 0;
}

bool KeySheetPrinter::writePdf(const QString &path, QPageSize::PageSizeId size)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(size));
        pdf.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                           QPageLayout::Millimeter);
        pdf.setTitle(BuiltInText(m_zt.msg(), QStringLiteral("KeySheet_Title")) +
                     QStringLiteral(" \u2013 ") + m_zt.exeName());
        pdf.setCreator(m_zt.exeName());
        paint(MakeKeySheet(m_zt, QDate::currentDate()), m_zt.msg(), pdf);
    }
    return WriteKeySheetFile(m_zt, path, buffer.data());
}

bool KeySheetPrinter::print(QPrinter &printer)
{
    const QString name =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    if (paint(MakeKeySheet(m_zt, QDate::currentDate()), m_zt.msg(), printer) == 0 ||
        printer.printerState() == QPrinter::Error) {
        const QString text =
            FormatMessage(BuiltInText(m_zt.msg(), QStringLiteral("KeySheet_PrintErr")), name);
        m_zt.log().WriteLog(QStringLiteral("  ") + text);
        m_zt.op().messageBox(text, BoxIcon::Exclamation, m_zt.op().mainCaption());
        return false;
    }
    const QString done =
        QStringLiteral("  ") +
        FormatMessage(BuiltInText(m_zt.msg(), QStringLiteral("KeySheet_PrintOk")), name);
    m_zt.log().WriteLog(done);
    m_zt.StatusText(done);
    return true;
}

void KeySheetPrinter::printWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(localPageSize()));
    printer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                           QPageLayout::Millimeter);
    printer.setDocName(BuiltInText(m_zt.msg(), QStringLiteral("KeySheet_Title")));
    QPrintDialog dialog(&printer, m_dialogParent);
    if (dialog.exec() == QDialog::Accepted)
        print(printer);
}

void KeySheetPrinter::savePdf()
{
    const QString path = KeySheetTarget(m_zt, QStringLiteral("pdf"));
    if (!path.isEmpty())
        writePdf(path, localPageSize());
}
