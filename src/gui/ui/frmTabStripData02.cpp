#include "gui/ui/frmTabStripData02.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

#include "app/ZtTools.h"
#include "gui/app/ScreenTwips.h"
#include "gui/controls/sdFrame.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/PageStyle.h"
#include "settings/INITools.h"

using ScreenTwips::place;

namespace {
constexpr int ColumnLeft[4] = {120, 2280, 4440, 6600};
constexpr int RowPitch = 480;
constexpr int FieldTop = 240;
constexpr int FieldWidth = 1815;
constexpr int FieldHeight = 315;
constexpr int PictureWidth = 270;
const char GroupLetter[4] = {'A', 'B', 'C', 'D'};

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

frmTabStripData02::frmTabStripData02(ZtTools &zt, frmChoose &chooser, const QIcon &designPicture,
                                     const QIcon &themedPicture, QWidget *parent)
    : QWidget(parent), fraTab(new sdFrame(this, QStringLiteral("fraTab"))),
      fraButtons01(new QGroupBox(fraTab)), fraButtons02(new QGroupBox(fraTab)),
      fraButtons03(new QGroupBox(fraTab)), m_zt(zt), m_chooser(chooser)
{
    setObjectName(QStringLiteral("frmTabStripData02"));
    setVisible(false);
    fraTab->setCaption(QStringLiteral("buttons"));
    fraTab->move(0, 0, 9855, 12855);

    fraButtons02->setObjectName(QStringLiteral("fraButtons02"));
    fraButtons02->setTitle(QStringLiteral("Column"));
    place(fraButtons02, 1080, 0, 8760, 615);
    fraButtons03->setObjectName(QStringLiteral("fraButtons03"));
    fraButtons03->setTitle(QStringLiteral("Row"));
    place(fraButtons03, 0, 600, 975, 12255);
    fraButtons01->setObjectName(QStringLiteral("fraButtons01"));
    place(fraButtons01, 1080, 600, 8775, 12255);

    for (int c = 0; c < 4; ++c) {
        txtLblTop[c] = new QLineEdit(fraButtons02);
        txtLblTop[c]->setObjectName(QStringLiteral("txtLblTop(%1)").arg(c));
        PageStyle::makeLabelBox(txtLblTop[c]);
        PageStyle::makeGrey(txtLblTop[c]);
        place(txtLblTop[c], ColumnLeft[c], FieldTop, 2055, FieldHeight);
    }
    // Created row by row, so Tab walks along a row and then on to the next one.
    for (int r = 0; r < 25; ++r) {
        const int top = FieldTop + RowPitch * r;
        txtLblLeft[r] = new QLineEdit(fraButtons03);
        txtLblLeft[r]->setObjectName(QStringLiteral("txtLblLeft(%1)").arg(r));
        PageStyle::makeLabelBox(txtLblLeft[r]);
        PageStyle::makeGrey(txtLblLeft[r]);
        place(txtLblLeft[r], 120, top, 735, FieldHeight);
        for (int g = 0; g < 4; ++g) {
            const QString letter = QString(QLatin1Char(GroupLetter[g]));
            auto *field = new QLineEdit(fraButtons01);
            field->setObjectName(QStringLiteral("txtButtons%1(%2)").arg(letter).arg(r));
            // Never typed into: no length limit, which would cut a long label.
            field->setReadOnly(true);
            field->setFocusPolicy(Qt::StrongFocus);
            field->setContextMenuPolicy(Qt::NoContextMenu);
            field->installEventFilter(this);
            place(field, ColumnLeft[g], top, FieldWidth, FieldHeight);
            m_txtButtons[g][r] = field;
            m_cell.insert(field, QPoint(g, r));

            auto *pic = new QToolButton(fraButtons01);
            pic->setObjectName(QStringLiteral("pic%1(%2)").arg(letter).arg(r));
            pic->setAutoRaise(true);
            pic->setFocusPolicy(Qt::NoFocus);
            place(pic, ColumnLeft[g] + FieldWidth, top, PictureWidth, FieldHeight);
            pic->setIconSize(pic->size() - QSize(2, 2));
            connect(pic, &QToolButton::clicked, this, [this, g, r] { choose(g, r); });
            m_pic[g][r] = pic;
        }
    }
    InitPage(designPicture, themedPicture);
}

void frmTabStripData02::InitPage(const QIcon &designPicture, const QIcon &themedPicture)
{
    const QString &ini = m_zt.iniFileName();
    const QString section = QStringLiteral("TabStrip_Buttons_") + m_zt.flags().Language;

    fraButtons02->setTitle(
        INI_ReadValue(ini, section, QStringLiteral("Col.Caption"), QStringLiteral("Col.Caption")));
    const QString colTip = INI_ReadValue(ini, section, QStringLiteral("Col.ToolTip"), QString());
    fraButtons02->setToolTip(colTip);
    for (int c = 0; c < 4; ++c) {
        const QString key = QStringLiteral("LabelTop") + twoDigits(c + 1);
        txtLblTop[c]->setToolTip(colTip);
        txtLblTop[c]->setText(INI_ReadValue(ini, section, key, key));
        txtLblTop[c]->setCursorPosition(0);
    }

    fraButtons03->setTitle(
        INI_ReadValue(ini, section, QStringLiteral("Row.Caption"), QStringLiteral("Row.Caption")));
    const QString rowTip = INI_ReadValue(ini, section, QStringLiteral("Row.ToolTip"), QString());
    fraButtons03->setToolTip(rowTip);
    for (int r = 0; r < 25; ++r) {
        const QString key = QStringLiteral("LabelLeft") + twoDigits(r + 1);
        txtLblLeft[r]->setToolTip(rowTip);
        txtLblLeft[r]->setText(INI_ReadValue(ini, section, key, key) + QLatin1Char(' '));
        txtLblLeft[r]->setCursorPosition(0);
    }

    const QString fieldTip =
        INI_ReadValue(ini, section, QStringLiteral("DropDown.ToolTip"), QString());
    const QIcon &picture = m_zt.themeActive() ? themedPicture : designPicture;
    for (int r = 0; r < 25; ++r) {
        for (int g = 0; g < 4; ++g) {
            setFieldToolTip(m_txtButtons[g][r], fieldTip);
            SetFieldCode(m_txtButtons[g][r], m_zt.channelList(), 0, m_zt.notDefinedText());
            m_pic[g][r]->setIcon(picture);
        }
    }

    // Rows beyond the configured count are hidden; the page and the window shrink with them.
    int rowsHeight = 12255;
    int pageHeight = fraTab->Height();
    const int rows = qBound<int>(1, m_zt.flags().CountKeyRows, 25);
    for (int r = rows + 1; r <= 25; ++r) {
        txtLblLeft[r - 1]->setVisible(false);
        for (int g = 0; g < 4; ++g) {
            m_txtButtons[g][r - 1]->setVisible(false);
            m_pic[g][r - 1]->setVisible(false);
        }
        rowsHeight -= RowPitch;
        pageHeight -= RowPitch;
        m_zt.setMaxFormHeight(static_cast<qint16>(m_zt.maxFormHeight() - RowPitch));
    }
    place(fraButtons03, 0, 600, 975, rowsHeight);

    // Columns beyond the configured count likewise, one column step at a time.
    const int step = static_cast<qint16>(ColumnLeft[0] + 2055);
    int fieldsWidth = 8775;
    int pageWidth = fraTab->Width();
    const int cols = qBound<int>(1, m_zt.flags().CountKeyCols, 4);
    for (int g = cols; g < 4; ++g) {
        for (int r = 0; r < rows; ++r) {
            m_txtButtons[g][r]->setVisible(false);
            m_pic[g][r]->setVisible(false);
        }
        txtLblTop[g]->setVisible(false);
        fieldsWidth -= step;
        pageWidth -= step;
    }
    place(fraButtons01, 1080, 600, fieldsWidth, rowsHeight);
    place(fraButtons02, 1080, 0, fieldsWidth, 615);
    const int room = titleRoom();
    fraButtons02->resize(fraButtons02->width(), fraButtons02->height() + room);
    for (QGroupBox *box : {fraButtons01, fraButtons03})
        box->setGeometry(box->x(), box->y() + room, box->width(), box->height() + room);
    fraTab->move(fraTab->Left(), fraTab->Top(), pageWidth, pageHeight + ScreenTwips::tw(2 * room));
}

// A desktop style or font whose titles run taller than the design allows pushes the content
// down below them: labels and fields alike, the rows staying level with their labels.
int frmTabStripData02::titleRoom()
{
    using ScreenTwips::px;
    const int room = qMax(PageStyle::titleOverlap(fraButtons02, px(FieldTop)),
                          PageStyle::titleOverlap(fraButtons03, px(FieldTop)));
    for (int c = 0; c < 4; ++c)
        txtLblTop[c]->move(txtLblTop[c]->x(), px(FieldTop) + room);
    for (int r = 0; r < 25; ++r) {
        const int top = px(FieldTop + RowPitch * r) + room;
        txtLblLeft[r]->move(txtLblLeft[r]->x(), top);
        for (int g = 0; g < 4; ++g) {
            m_txtButtons[g][r]->move(m_txtButtons[g][r]->x(), top);
            m_pic[g][r]->move(m_pic[g][r]->x(), top);
        }
    }
    return room;
}

void frmTabStripData02::choose(int group, int index)
{
    ChooseFieldCode(m_txtButtons[group][index], m_zt.channelList(), m_chooser,
                    m_zt.notDefinedText(),
                    txtLblTop[group]->text().trimmed() + QStringLiteral(", ") +
                        txtLblLeft[index]->text().trimmed());
}

QLineEdit *frmTabStripData02::neighbour(int group, int index, int dg, int di) const
{
    for (int g = group + dg, i = index + di; g >= 0 && g < 4 && i >= 0 && i < 25;
         g += dg, i += di) {
        if (m_txtButtons[g][i]->isVisibleTo(fraButtons01))
            return m_txtButtons[g][i];
    }
    return nullptr;
}

bool frmTabStripData02::eventFilter(QObject *watched, QEvent *event)
{
    const auto cell = m_cell.constFind(watched);
    if (cell == m_cell.constEnd())
        return QWidget::eventFilter(watched, event);
    const int g = cell->x();
    const int r = cell->y();
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        choose(g, r);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QLineEdit *next = nullptr;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F4:
            choose(g, r);
            return true;
        case Qt::Key_Left:
            next = neighbour(g, r, -1, 0);
            break;
        case Qt::Key_Right:
            next = neighbour(g, r, 1, 0);
            break;
        case Qt::Key_Up:
            next = neighbour(g, r, 0, -1);
            break;
        case Qt::Key_Down:
            if (key->modifiers() & Qt::AltModifier) {
                choose(g, r);
                return true;
            }
            next = neighbour(g, r, 0, 1);
            break;
        default:
            return QWidget::eventFilter(watched, event);
        }
        if (next)
            next->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
