#include "gui/ui/ChoiceModel.h"

#include <QBrush>
#include <algorithm>

void ChoiceModel::setEntries(const CodeList &entries, const QString &notAssignedText)
{
    beginResetModel();
    m_entries = entries;
    m_appended = std::none_of(entries.begin(), entries.end(),
                              [](const CodeEntry &e) { return e.hasCode && e.code == 0; });
    m_notAssigned = CodeEntry{notAssignedText, 0, true};
    m_headings = std::any_of(entries.begin(), entries.end(), isHeading);
    m_filter.clear();
    m_rows.clear();
    endResetModel();
}

void ChoiceModel::setHeadingStyle(const QFont &font, const QColor &color)
{
    m_headingFont = font;
    m_headingColor = color;
}

void ChoiceModel::setFilter(const QString &filter)
{
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    m_rows.clear();
    int heading = -1;
    bool headingMatches = false;
    const int n = filter.isEmpty() ? 0 : entryCount();
    for (int j = 0; j < n; ++j) {
        const CodeEntry &e = entry(j);
        const bool matches = QStringView(e.label).trimmed().contains(filter, Qt::CaseInsensitive);
        if (isHeading(e)) {
            heading = j;
            headingMatches = matches;
            continue;
        }
        // The code 0 entry that closes the list belongs to no heading.
        const bool clearing = e.code == 0 && j == n - 1;
        if (!matches && !(headingMatches && !clearing))
            continue;
        if (heading >= 0 && !clearing) {
            m_rows.append(heading); // before its first entry left
            heading = -1;
        }
        m_rows.append(j);
    }
    endResetModel();
}

int ChoiceModel::firstOfCode(qint32 code) const
{
    for (int j = 0; j < entryCount(); ++j) {
        if (entry(j).hasCode && entry(j).code == code)
            return j;
    }
    return -1;
}

int ChoiceModel::rowOf(int j) const
{
    if (m_filter.isEmpty())
        return j >= 0 && j < entryCount() ? j : -1;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), j);
    return at != m_rows.end() && *at == j ? int(at - m_rows.begin()) : -1;
}

int ChoiceModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_filter.isEmpty() ? entryCount() : int(m_rows.size());
}

QVariant ChoiceModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int j = entryOf(index.row());
    const CodeEntry &e = entry(j);
    switch (role) {
    case Qt::DisplayRole: {
        const QString text = e.label.trimmed();
        return m_headings && !isHeading(e) ? QStringLiteral("  ") + text : text;
    }
    case Qt::FontRole:
        return isHeading(e) ? QVariant(m_headingFont) : QVariant();
    case Qt::ForegroundRole:
        return isHeading(e) ? QVariant(QBrush(m_headingColor)) : QVariant();
    case EntryRole:
        return j;
    default:
        return {};
    }
}
