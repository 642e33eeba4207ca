#pragma once
#include <QColor>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionGroupBox>

// The looks the pages share: text boxes that serve as labels, locked boxes on the fixed
// grey of read-only values.
namespace PageStyle {
const QColor LockedGrey(192, 192, 192);

// A text box that serves as a label: no frame, no focus, the page's own colours.
inline void makeLabelBox(QLineEdit *box)
{
    box->setReadOnly(true);
    box->setFrame(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    pal.setColor(QPalette::Text, pal.color(QPalette::WindowText));
    box->setPalette(pal);
}

// A fixed accent colour for text, lightened to the same hue where the background is dark.
inline QColor readableOn(const QColor &accent, const QColor &background)
{
    if (background.lightness() >= 128)
        return accent;
    return QColor::fromHslF(accent.hslHueF(), accent.hslSaturationF(), 0.75);
}

// The fixed grey is light on every desktop theme, so its text is always dark.
inline void makeGrey(QLineEdit *box)
{
    QPalette pal = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, LockedGrey);
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, LockedGrey);
    box->setPalette(pal);
}

// Where the style draws a group box's title, in the box's coordinates.
inline QRect titleRect(const QGroupBox *box)
{
    if (box->title().isEmpty())
        return {};
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.textAlignment = box->alignment();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
}

// How far a box's content starting at firstTop pixels must move down to clear its title: the
// twips layout leaves room for the design's title only.
inline int titleOverlap(const QGroupBox *box, int firstTop)
{
    const QRect title = titleRect(box);
    return title.isEmpty() ? 0 : qMax(0, title.bottom() + 1 - firstTop);
}

// Moves a box's controls down by dy and lets the box grow by as much.
inline void lowerContent(QGroupBox *box, int dy)
{
    if (dy == 0)
        return;
    for (QWidget *w : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        w->move(w->x(), w->y() + dy);
    box->resize(box->width(), box->height() + dy);
}
} // namespace PageStyle
