#include "gui/ui/CompareDock.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/Compare.h"
#include "app/ZtTools.h"
#include "gui/ui/FindBar.h"
#include "gui/ui/frmMain.h"
#include "gui/ui/frmTabStripData02.h"
#include "settings/BuiltInTexts.h"

namespace {
// Rows of the list the dock makes room for.
constexpr int ShownRows = 6;

QString codeAndLabel(Comparison &c, qint16 code)
{
    return QString::number(code) + QStringLiteral("  ") + c.label(code);
}
} // namespace

CompareDock::CompareDock(ZtTools &zt, Comparison &comparison, frmMain &main)
    : QDockWidget(BuiltInText(zt.msg(), "Compare_Title"), &main), m_zt(zt),
      m_comparison(comparison), m_main(main), m_summary(new QLabel), m_list(new QTreeWidget),
      m_takeOver(new QPushButton(BuiltInText(zt.msg(), "Compare_TakeOver"))),
      m_takeOverAll(new QPushButton(BuiltInText(zt.msg(), "Compare_TakeOverAll")))
{
    setObjectName(QStringLiteral("CompareDock"));
    // Below the pages only: the window's width is fixed.
    setAllowedAreas(Qt::BottomDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_list->setObjectName(QStringLiteral("lstDifferences"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({BuiltInText(zt.msg(), "Compare_Group"),
                             BuiltInText(zt.msg(), "Compare_Row"),
                             BuiltInText(zt.msg(), "Compare_This"), QString()});
    // Group and row as narrow as they can be; the two codes with labels share the rest.
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_list->setFixedHeight(m_list->header()->sizeHint().height() +
                           ShownRows * (m_list->fontMetrics().height() + 4) +
                           2 * m_list->frameWidth());
    m_takeOver->setObjectName(QStringLiteral("cmdTakeOver"));
    m_takeOverAll->setObjectName(QStringLiteral("cmdTakeOverAll"));

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->addWidget(m_summary);
    layout->addWidget(m_list);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_takeOver);
    buttons->addWidget(m_takeOverAll);
    layout->addLayout(buttons);
    setWidget(content);

    connect(m_takeOver, &QPushButton::clicked, this, [this] { takeOver(false); });
    connect(m_takeOverAll, &QPushButton::clicked, this, [this] { takeOver(true); });
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        m_main.revealKey(item->data(0, Qt::UserRole).toInt(), item->data(1, Qt::UserRole).toInt());
    });
    // An edit, an undo or a redo changes what differs.
    connect(&m_zt.history().stack(), &QUndoStack::indexChanged, this, [this] {
        if (m_comparison.active()) {
            m_comparison.refresh();
            showDifferences();
        }
    });
    main.addDockWidget(Qt::BottomDockWidgetArea, this);
    setVisible(false);
}

void CompareDock::withFile()
{
    if (m_comparison.withFile())
        showDifferences();
}

void CompareDock::withDevice()
{
    if (m_comparison.withDevice())
        showDifferences();
}

void CompareDock::showDifferences()
{
    const QList<KeyDifference> &differences = m_comparison.differences();
    const QString other = QFileInfo(m_comparison.otherName()).fileName();
    m_summary->setText(differences.isEmpty()
                           ? FormatMessage(BuiltInText(m_zt.msg(), "Compare_Equal"), other)
                           : FormatMessage(BuiltInText(m_zt.msg(), "Compare_Count"),
                                           QString::number(differences.size()), other));
    m_summary->setToolTip(m_comparison.otherName());
    m_list->headerItem()->setText(3, other);
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(differences.size());
    for (const KeyDifference &d : differences) {
        auto *item = new QTreeWidgetItem(
            {QString(QLatin1Char(char('A' + d.key.group - 1))), QString::number(d.key.row),
             codeAndLabel(m_comparison, d.mine), codeAndLabel(m_comparison, d.other)});
        item->setData(0, Qt::UserRole, d.key.group);
        item->setData(1, Qt::UserRole, d.key.row);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    m_takeOver->setEnabled(!differences.isEmpty());
    m_takeOverAll->setEnabled(!differences.isEmpty());
    mark(true);
    if (!isVisible()) {
        setVisible(true);
        m_main.fitBottomBars();
    }
}

void CompareDock::takeOver(bool all)
{
    QList<int> chosen;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (all || m_list->topLevelItem(i)->isSelected())
            chosen.append(i);
    m_comparison.takeOver(chosen);
    showDifferences();
}

// The differing keys on the buttons page, coloured while the comparison lasts; only the
// fields whose mark changes are touched.
void CompareDock::mark(bool on)
{
    if (!m_main.page02())
        return;
    std::array<std::array<bool, KeyRows>, KeyGroups> differs{};
    if (on)
        for (const KeyDifference &d : m_comparison.differences())
            differs[d.key.group - 1][d.key.row - 1] = true;
    for (int g = 0; g < KeyGroups; ++g)
        for (int r = 0; r < KeyRows; ++r) {
            QLineEdit *field = m_main.page02()->keyField(g, r);
            if (field->property("ztDiffers").toBool() != differs[g][r]) {
                field->setProperty("ztDiffers", differs[g][r]);
                showKeyMarks(field);
            }
        }
}

void CompareDock::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    mark(false);
    m_comparison.end();
    m_list->clear();
    // Hidden once the close is through; the window shrinks after that.
    QMetaObject::invokeMethod(&m_main, &frmMain::fitBottomBars, Qt::QueuedConnection);
}
