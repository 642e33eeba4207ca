#include "gui/ui/frmChoose.h"

#include <QApplication>
#include <QBoxLayout>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "gui/app/ScreenTwips.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/PageStyle.h"
#include "settings/Messages.h"

using ScreenTwips::px;

namespace {
const QColor HeadingColor(0, 0, 255);
constexpr int EntryRole = Qt::UserRole;
constexpr int HeadingRole = Qt::UserRole + 1;

// The list view: typing jumps to the next choosable label that starts with the typed
// letters; the indentation in front of entries under headings does not count.
class ChoiceView : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

    void keyboardSearch(const QString &search) override
    {
        if (search.isEmpty() || topLevelItemCount() == 0)
            return;
        if (!m_typed.isValid() || m_typed.elapsed() > QApplication::keyboardInputInterval())
            m_search.clear();
        m_typed.restart();
        m_search += search;
        // The same letter again moves on to the next label with that letter.
        const bool repeated = m_search.count(m_search.front()) == m_search.size();
        const QString key = repeated ? m_search.left(1) : m_search;
        const int n = topLevelItemCount();
        const int current = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
        const int start = (key.size() == 1) ? current + 1 : qMax(current, 0);
        for (int i = 0; i < n; ++i) {
            QTreeWidgetItem *item = topLevelItem((start + i) % n);
            if (!item->data(0, HeadingRole).toBool() &&
                item->text(0).trimmed().startsWith(key, Qt::CaseInsensitive)) {
                setCurrentItem(item);
                scrollToItem(item);
                return;
            }
        }
    }

private:
    QString m_search;
    QElapsedTimer m_typed;
};
} // namespace

frmChoose::frmChoose(Messages &messages, QWidget *parent)
    : QDialog(parent), m_caption(messages.text(QStringLiteral("Form_Choose.Caption"))),
      m_txtFilter(new QLineEdit(this)), m_lstView(new ChoiceView(this)),
      m_cmdOk(new QPushButton(QStringLiteral("&Ok"), this)),
      m_cmdCancel(new QPushButton(QStringLiteral("Abbrechen"), this))
{
    setObjectName(QStringLiteral("frmChoose"));
    setWindowTitle(m_caption);
    resize(px(4725), px(4725));

    m_txtFilter->setObjectName(QStringLiteral("txtFilter"));
    m_txtFilter->setPlaceholderText(messages.text(QStringLiteral("Form_Choose.Filter")));
    m_txtFilter->setClearButtonEnabled(true);
    connect(m_txtFilter, &QLineEdit::textChanged, this, &frmChoose::txtFilter_Change);

    m_lstView->setObjectName(QStringLiteral("lstView"));
    m_lstView->setToolTip(messages.text(QStringLiteral("Form_Choose.ToolTip"), QString()));
    m_lstView->setColumnCount(1);
    m_lstView->setHeaderHidden(true);
    m_lstView->setRootIsDecorated(false);
    m_lstView->setUniformRowHeights(true);
    m_lstView->setSelectionMode(QAbstractItemView::SingleSelection);

    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setMinimumWidth(px(1095));
    m_cmdOk->setDefault(true);
    m_cmdOk->setAutoDefault(true);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setMinimumWidth(px(1095));
    m_cmdCancel->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, px(105));
    layout->addWidget(m_txtFilter);
    layout->addWidget(m_lstView, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdCancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    // Down from the filter goes on to the list.
    m_txtFilter->installEventFilter(this);
    // Ctrl+F in the list, as on the pages, goes to the filter.
    m_lstView->installEventFilter(this);

    connect(m_cmdOk, &QPushButton::clicked, this, &frmChoose::cmdOk_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmChoose::cmdCancel_Click);
    connect(m_lstView, &QTreeWidget::itemDoubleClicked, this, &frmChoose::lstView_DblClick);
    connect(this, &QDialog::finished, this, &frmChoose::closed);
}

void frmChoose::setEntries(const CodeList &entries, const QString &notAssignedText)
{
    // The same list again (the pages hand in theirs each time): the items already made stay.
    if (m_source.constData() == entries.constData() && m_source.size() == entries.size() &&
        m_notAssigned == notAssignedText && !m_source.isEmpty())
        return;
    m_source = entries;
    m_notAssigned = notAssignedText;
    m_entries = entries;
    const bool hasZero = std::any_of(entries.begin(), entries.end(),
                                     [](const CodeEntry &e) { return e.hasCode && e.code == 0; });
    if (!hasZero)
        m_entries.append(CodeEntry{notAssignedText, 0, true});
    m_itemsMade = false;
}

void frmChoose::setKeyName(const QString &keyName)
{
    setWindowTitle(keyName.isEmpty() ? m_caption : m_caption + QStringLiteral(" – ") + keyName);
}

bool frmChoose::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lstView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Find)) {
        m_txtFilter->setFocus(Qt::ShortcutFocusReason);
        m_txtFilter->selectAll();
        return true;
    }
    if (watched == m_txtFilter && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down) {
        m_lstView->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmChoose::txtFilter_Change()
{
    const QString filter = m_txtFilter->text().trimmed();
    QTreeWidgetItem *heading = nullptr;
    bool headingMatches = false;
    QTreeWidgetItem *first = nullptr;
    for (int i = 0; i < m_lstView->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_lstView->topLevelItem(i);
        const bool matches = item->text(0).contains(filter, Qt::CaseInsensitive);
        if (item->data(0, HeadingRole).toBool()) {
            heading = item;
            headingMatches = matches;
            item->setHidden(!filter.isEmpty()); // until one of its entries shows
            continue;
        }
        // The code 0 entry closes the list: it belongs to no heading.
        const bool clearing = m_entries[item->data(0, EntryRole).toInt()].code == 0 &&
                              i == m_lstView->topLevelItemCount() - 1;
        const bool shown = matches || (headingMatches && !clearing);
        item->setHidden(!shown);
        if (shown && heading && !clearing)
            heading->setHidden(false);
        if (shown && !first && !filter.isEmpty())
            first = item;
        if (!shown && item->isSelected())
            item->setSelected(false);
    }
    // Enter takes the first entry that is left.
    if (first) {
        m_lstView->setCurrentItem(first);
        m_lstView->scrollToItem(first);
    }
}

int frmChoose::selectedEntry() const
{
    const auto items = m_lstView->selectedItems();
    return items.isEmpty() ? -1 : items.front()->data(0, EntryRole).toInt();
}

void frmChoose::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmChoose::Form_Activate()
{
    UseListView = true;
    if (!m_itemsMade)
        makeItems();
    if (!m_txtFilter->text().isEmpty()) {
        m_txtFilter->clear(); // every entry shows again
        m_lstView->clearSelection();
    }
    m_lstView->setColumnWidth(0, m_lstView->width() - px(384));

    ActItem = ActItem.trimmed().toLower();
    bool isCode = false;
    const int code = ActItem.toInt(&isCode);
    const auto at = m_firstOfCode.constFind(code);
    QTreeWidgetItem *selectedItem = isCode && !ActItem.isEmpty() && at != m_firstOfCode.constEnd()
                                        ? m_lstView->topLevelItem(*at)
                                        : nullptr;
    if (selectedItem) {
        m_lstView->setCurrentItem(selectedItem);
        m_lstView->scrollToItem(selectedItem, QAbstractItemView::PositionAtCenter);
    } else {
        m_lstView->setCurrentItem(nullptr);
        m_lstView->clearSelection();
        // The scroll position of the dialog's previous use means nothing here.
        m_lstView->scrollToTop();
    }
    m_lstView->setFocus();
}

// The list's items, made once for each list of entries: a list runs to 50 000 of them.
void frmChoose::makeItems()
{
    m_lstView->clear();
    m_firstOfCode.clear();
    bool headings = false;
    for (const CodeEntry &e : m_entries)
        headings = headings || (e.hasCode && e.code < 0);

    QFont headingFont = m_lstView->font();
    headingFont.setBold(true);
    const QColor headingColor =
        PageStyle::readableOn(HeadingColor, m_lstView->palette().color(QPalette::Base));
    QList<QTreeWidgetItem *> items;
    items.reserve(m_entries.size());
    for (int j = 0; j < m_entries.size(); ++j) {
        const CodeEntry &e = m_entries[j];
        const bool heading = e.hasCode && e.code < 0;
        QString text = e.label.trimmed();
        if (!heading && headings)
            text.prepend(QStringLiteral("  "));
        auto *item = new QTreeWidgetItem(QStringList{text});
        item->setData(0, EntryRole, j);
        item->setData(0, HeadingRole, heading);
        if (heading) {
            item->setFont(0, headingFont);
            item->setForeground(0, headingColor);
        }
        if (e.hasCode && !m_firstOfCode.contains(e.code))
            m_firstOfCode.insert(e.code, j);
        items.append(item);
    }
    m_lstView->addTopLevelItems(items);
    m_itemsMade = true;
}

void frmChoose::lstView_DblClick()
{
    cmdOk_Click();
}

void frmChoose::cmdOk_Click()
{
    ActItem.clear();
    const int j = selectedEntry();
    if (j >= 0) {
        const CodeEntry &e = m_entries[j];
        qint16 code = 0;
        // Headings cannot be chosen, nor codes a key field cannot hold.
        if (!e.hasCode || e.code < 0 || !parseCode(QString::number(e.code), code)) {
            QApplication::beep();
            return;
        }
        ActItem = QString::number(e.code);
    }
    done(QDialog::Accepted);
}

void frmChoose::cmdCancel_Click()
{
    done(QDialog::Rejected);
}

void frmChoose::reject()
{
    cmdCancel_Click();
}
