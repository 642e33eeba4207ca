#include "gui/ui/frmChoose.h"

#include <QApplication>
#include <QBoxLayout>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "gui/app/ScreenTwips.h"
#include "gui/ui/ChoiceModel.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/PageStyle.h"
#include "settings/Messages.h"

using ScreenTwips::px;

namespace {
const QColor HeadingColor(0, 0, 255);

// The list view: one column, rows of one text line. A table, since a tree view keeps a
// record of every row (2 MB for 50 000, the most of a first opening) and a table does not.
// Typing jumps to the next choosable label that starts with the typed letters; the
// indentation in front of entries under headings does not count.
class ChoiceView : public QTableView {
public:
    ChoiceView(const ChoiceModel &model, QWidget *parent) : QTableView(parent), m_model(model)
    {
        horizontalHeader()->hide();
        horizontalHeader()->setStretchLastSection(true);
        verticalHeader()->hide();
        // Each row as high as the item delegate makes a line of text. Set while the list is
        // empty: rows made later take it, and no row is ever measured.
        QStyleOptionViewItem line;
        initViewItemOption(&line);
        line.features = QStyleOptionViewItem::HasDisplay;
        line.text = QStringLiteral("Ag");
        const int height =
            style()->sizeFromContents(QStyle::CT_ItemViewItem, &line, QSize(), this).height();
        verticalHeader()->setMinimumSectionSize(height);
        verticalHeader()->setDefaultSectionSize(height);
        setShowGrid(false);
        setWordWrap(false);
        setTabKeyNavigation(false);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

    void keyboardSearch(const QString &search) override
    {
        const int n = m_model.rowCount();
        if (search.isEmpty() || n == 0)
            return;
        if (!m_typed.isValid() || m_typed.elapsed() > QApplication::keyboardInputInterval())
            m_search.clear();
        m_typed.restart();
        m_search += search;
        // The same letter again moves on to the next label with that letter.
        const bool repeated = m_search.count(m_search.front()) == m_search.size();
        const QString key = repeated ? m_search.left(1) : m_search;
        const int current = currentIndex().isValid() ? currentIndex().row() : -1;
        const int start = (key.size() == 1) ? current + 1 : qMax(current, 0);
        for (int i = 0; i < n; ++i) {
            const int row = (start + i) % n;
            const CodeEntry &e = m_model.entry(m_model.entryOf(row));
            if (!ChoiceModel::isHeading(e) &&
                QStringView(e.label).trimmed().startsWith(key, Qt::CaseInsensitive)) {
                setCurrentIndex(m_model.index(row));
                scrollTo(currentIndex());
                return;
            }
        }
    }

protected:
    // Home and End go to the first and the last row, as in any list.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action == MoveHome || action == MoveEnd)
            modifiers |= Qt::ControlModifier;
        return QTableView::moveCursor(action, modifiers);
    }

private:
    const ChoiceModel &m_model;
    QString m_search;
    QElapsedTimer m_typed;
};
} // namespace

frmChoose::frmChoose(Messages &messages, QWidget *parent)
    : QDialog(parent), m_caption(messages.text(QStringLiteral("Form_Choose.Caption"))),
      m_model(new ChoiceModel(this)), m_txtFilter(new QLineEdit(this)),
      m_lstView(new ChoiceView(*m_model, this)),
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
    m_lstView->setModel(m_model);

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
    connect(m_lstView, &QTableView::doubleClicked, this, &frmChoose::lstView_DblClick);
    connect(this, &QDialog::finished, this, &frmChoose::closed);
}

QAbstractItemView *frmChoose::lstView() const
{
    return m_lstView;
}

void frmChoose::setEntries(const CodeList &entries, const QString &notAssignedText)
{
    m_model->setEntries(entries, notAssignedText);
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
    const int selected = selectedEntry();
    const QString filter = m_txtFilter->text().trimmed();
    m_model->setFilter(filter);
    // Enter takes the first entry that is left; without a filter the choice stays.
    int row = m_model->rowOf(selected);
    if (!filter.isEmpty()) {
        row = -1;
        for (int r = 0; r < m_model->rowCount() && row < 0; ++r) {
            if (!ChoiceModel::isHeading(m_model->entry(m_model->entryOf(r))))
                row = r;
        }
    }
    selectRow(row, QAbstractItemView::EnsureVisible);
}

void frmChoose::selectRow(int row, QAbstractItemView::ScrollHint hint)
{
    if (row < 0) {
        m_lstView->setCurrentIndex(QModelIndex());
        m_lstView->clearSelection();
        return;
    }
    m_lstView->setCurrentIndex(m_model->index(row));
    m_lstView->scrollTo(m_lstView->currentIndex(), hint);
}

int frmChoose::selectedEntry() const
{
    const QModelIndexList rows = m_lstView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_model->entryOf(rows.front().row());
}

void frmChoose::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmChoose::Form_Activate()
{
    UseListView = true;
    if (!m_txtFilter->text().isEmpty())
        m_txtFilter->clear(); // every entry shows again
    QFont headingFont = m_lstView->font();
    headingFont.setBold(true);
    m_model->setHeadingStyle(
        headingFont,
        PageStyle::readableOn(HeadingColor, m_lstView->palette().color(QPalette::Base)));

    ActItem = ActItem.trimmed().toLower();
    bool isCode = false;
    const int code = ActItem.toInt(&isCode);
    const int j = isCode ? m_model->firstOfCode(code) : -1;
    selectRow(m_model->rowOf(j), QAbstractItemView::PositionAtCenter);
    // The scroll position of the dialog's previous use means nothing here.
    if (j < 0)
        m_lstView->scrollToTop();
    m_lstView->setFocus();
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
        const CodeEntry &e = m_model->entry(j);
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
