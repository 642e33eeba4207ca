#pragma once
#include <QColor>
#include <QLineEdit>
#include <QPalette>

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
} // namespace PageStyle
