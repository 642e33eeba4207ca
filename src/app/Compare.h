#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "data/CodeList.h"
#include "data/DataSet.h"

class CommInterpreter;
class CommTools;
class ZtTools;

using KeyCodes = decltype(ButtonRecord::Buttons);

// A key of the buttons page: group 1..4 (A..D), row 1..25.
struct KeyPlace {
    int group = 0;
    int row = 0;
    bool operator==(const KeyPlace &) const = default;
};

struct KeyDifference {
    KeyPlace key;
    qint16 mine = 0;
    qint16 other = 0;
};

// The keys shown (the first rows of the first cols groups, the keys the device exchanges)
// whose codes differ, group by group.
QList<KeyDifference> differingKeys(const KeyCodes &mine, const KeyCodes &other, int cols, int rows);

// The keys shown whose code is the text or whose label holds it (case-insensitive), row by
// row as Tab walks the page.
QList<KeyPlace> findKeys(const KeyCodes &codes, int cols, int rows, const QString &text,
                         const std::function<QString(qint16)> &labelOf);

// Where a step of direction (+1 or -1) lands in found (not empty), going on from the key
// found last, which may no longer match after the pages changed; without one, the first
// or the last key found.
int stepFound(const QList<KeyPlace> &found, const std::optional<KeyPlace> &last, int direction);

// A code's label as a key field shows it: the first entry with the code, the number of a
// code no entry has, notDefined for 0. Each list is indexed once, as lists run to 50 000
// entries; the few lists asked about last are held, so none can be replaced unnoticed.
class CodeLabels {
public:
    QString label(const CodeList &list, qint16 code, const QString &notDefined);

private:
    struct Index {
        CodeList list;
        QHash<qint32, qsizetype> first;
    };
    QList<Index> m_indexes;
};

// The pages against a data file or the device's codes. Nothing on the pages changes but by
// takeOver(), one undoable step.
class Comparison {
public:
    Comparison(ZtTools &zt, CommTools &comm, CommInterpreter &interpreter);

    // Asks for a data file and compares with it; false when none was read (the operator
    // was told why).
    bool withFile();
    // Requests the device's codes and compares with them; false when none came (the link
    // has told the operator).
    bool withDevice();
    bool active() const { return m_other.has_value(); }
    void end() { m_other.reset(), m_differences.clear(); }
    // Compares again with the pages as they are now (after an edit, an undo).
    void refresh();

    const QList<KeyDifference> &differences() const { return m_differences; }
    // The file's name or the device's.
    const QString &otherName() const { return m_otherName; }
    // The other side's codes of the differences given (indexes into differences()).
    void takeOver(const QList<int> &indexes);
    QString label(qint16 code);

private:
    void compareWith(const KeyCodes &other, const QString &name);

    ZtTools &m_zt;
    CommTools &m_comm;
    CommInterpreter &m_interpreter;
    std::optional<KeyCodes> m_other;
    QString m_otherName;
    QList<KeyDifference> m_differences;
    CodeLabels m_labels;
};
