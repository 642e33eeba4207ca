#pragma once
#include <QAbstractListModel>
#include <QColor>
#include <QFont>
#include <QList>

#include "data/CodeList.h"

// The choose dialog's rows over a code list, formatted as they are shown: a list runs to
// 50 000 entries, so it is neither copied nor turned into items. Headings (negative codes)
// come bold in their own colour; when a list has headings, the entries under them are
// indented by two blanks. A filter leaves the entries whose label holds its text, each
// under its heading.
class ChoiceModel : public QAbstractListModel {
public:
    // The index of a row's entry.
    static constexpr int EntryRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    // A list without a code 0 entry gets one at its end, labelled notAssignedText, to clear
    // a field. Shows every entry.
    void setEntries(const CodeList &entries, const QString &notAssignedText);
    void setHeadingStyle(const QFont &font, const QColor &color);
    // filter: trimmed text; empty shows every entry.
    void setFilter(const QString &filter);

    int entryCount() const { return int(m_entries.size()) + (m_appended ? 1 : 0); }
    const CodeEntry &entry(int j) const
    {
        return j < m_entries.size() ? m_entries[j] : m_notAssigned;
    }
    static bool isHeading(const CodeEntry &e) { return e.hasCode && e.code < 0; }
    // The first entry with the code, -1 for none.
    int firstOfCode(qint32 code) const;
    int entryOf(int row) const { return m_filter.isEmpty() ? row : m_rows[row]; }
    // The row showing entry j, -1 when the filter hides it.
    int rowOf(int j) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    CodeList m_entries; // shares the caller's list
    CodeEntry m_notAssigned;
    bool m_appended = false;
    bool m_headings = false;
    QString m_filter;
    QList<int> m_rows; // the entries the filter leaves, in order
    QFont m_headingFont;
    QColor m_headingColor;
};
