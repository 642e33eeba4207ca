#pragma once
#include <QList>
#include <QString>
#include <QtGlobal>

// A list of labels with a 32-bit code each, in file order (the lists behind lstData).
struct CodeEntry {
    QString label;
    qint32 code = 0;
    bool hasCode = false; // false for an entry whose key was not a number
};

// Moved as plain bytes when a list grows.
Q_DECLARE_TYPEINFO(CodeEntry, Q_RELOCATABLE_TYPE);

using CodeList = QList<CodeEntry>;
