#include "gui/ui/FindBar.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <optional>

#include "app/ZtTools.h"
#include "gui/ui/frmMain.h"
#include "gui/ui/frmTabStripData02.h"
#include "settings/BuiltInTexts.h"

void showKeyMarks(QLineEdit *field)
{
    QPalette palette = field->parentWidget()->palette();
    if (field->property("ztFound").toBool()) {
        palette.setColor(QPalette::Base, palette.color(QPalette::Highlight));
        palette.setColor(QPalette::Text, palette.color(QPalette::HighlightedText));
    } else if (field->property("ztDiffers").toBool()) {
        // Amber, darkened on a dark palette so the text stays readable.
        const bool dark = palette.color(QPalette::Base).lightness() < 128;
        palette.setColor(QPalette::Base, dark ? QColor(110, 80, 0) : QColor(255, 214, 110));
    }
    field->setPalette(palette);
}

FindBar::FindBar(ZtTools &zt, frmMain &main)
    : QToolBar(&main), m_zt(zt), m_main(main), m_txtFind(new QLineEdit(this)),
      m_lblFound(new QLabel(this))
{
    setObjectName(QStringLiteral("FindBar"));
    setMovable(false);
    setFloatable(false);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->setPlaceholderText(BuiltInText(zt.msg(), "Find_Placeholder"));
    m_txtFind->setClearButtonEnabled(true);
    m_lblFound->setObjectName(QStringLiteral("lblFound"));
    addWidget(m_txtFind);
    addWidget(m_lblFound);
    QAction *back = addAction(style()->standardIcon(QStyle::SP_ArrowUp), QString());
    QAction *forth = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QString());
    QAction *shut = addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QString());
    back->setToolTip(QKeySequence(Qt::SHIFT | Qt::Key_F3).toString(QKeySequence::NativeText));
    forth->setToolTip(QKeySequence(Qt::Key_F3).toString(QKeySequence::NativeText));
    shut->setToolTip(QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText));
    connect(back, &QAction::triggered, this, &FindBar::previous);
    connect(forth, &QAction::triggered, this, &FindBar::next);
    connect(shut, &QAction::triggered, this, &FindBar::close);
    connect(m_txtFind, &QLineEdit::textEdited, this, &FindBar::search);
    connect(m_txtFind, &QLineEdit::returnPressed, this, &FindBar::next);
    // F3 works wherever the focus is in the window; Escape where the bar has it.
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), &main);
    connect(f3, &QShortcut::activated, this, &FindBar::next);
    auto *shiftF3 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &main);
    connect(shiftF3, &QShortcut::activated, this, &FindBar::previous);
    // Escape in the find box closes the bar.
    m_txtFind->installEventFilter(this);
    main.addToolBar(Qt::BottomToolBarArea, this);
    setVisible(false);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtFind && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QToolBar::eventFilter(watched, event);
}

KeyPlace FindBar::current() const
{
    return m_at >= 0 ? m_found.value(m_at) : KeyPlace{};
}

void FindBar::open()
{
    if (!isVisible()) {
        setVisible(true);
        m_main.fitBottomBars();
    }
    m_txtFind->setFocus(Qt::ShortcutFocusReason);
    m_txtFind->selectAll();
}

void FindBar::close()
{
    markFound(false);
    m_at = -1;
    setVisible(false);
    m_main.fitBottomBars();
    m_zt.FocusTabStrip();
}

void FindBar::search()
{
    markFound(false);
    m_at = -1;
    step(1);
}

void FindBar::step(int direction)
{
    if (!isVisible())
        return;
    markFound(false);
    // The pages may have changed since the last step (an edit, an undo, a load): the keys are
    // found again.
    const std::optional<KeyPlace> last =
        m_at >= 0 ? std::optional<KeyPlace>(m_found.value(m_at)) : std::nullopt;
    const ProgramFlags &flags = m_zt.flags();
    m_found = findKeys(m_zt.history().pagesNow().buttons, flags.CountKeyCols, flags.CountKeyRows,
                       m_txtFind->text(), [this](qint16 code) {
                           return m_labels.label(m_zt.channelList(), code, m_zt.notDefinedText());
                       });
    if (m_found.isEmpty()) {
        m_lblFound->setText(m_txtFind->text().trimmed().isEmpty()
                                ? QString()
                                : BuiltInText(m_zt.msg(), "Find_NotFound"));
        m_at = -1;
        return;
    }
    m_at = stepFound(m_found, last, direction);
    markFound(true);
    m_lblFound->setText(FormatMessage(BuiltInText(m_zt.msg(), "Find_Position"),
                                      QString::number(m_at + 1), QString::number(m_found.size())));
}

void FindBar::markFound(bool on)
{
    if (m_at < 0 || !m_main.page02())
        return;
    const KeyPlace key = m_found.value(m_at);
    QLineEdit *field = m_main.page02()->keyField(key.group - 1, key.row - 1);
    field->setProperty("ztFound", on);
    showKeyMarks(field);
    if (on)
        m_main.revealKey(key.group, key.row);
}
