#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class ZtTools;

// What a key sheet says: the configuration of one visit, to print or hand over.
struct KeySheet {
    struct Key {
        QString group; // "A" to "D"
        int row = 0;   // 1 to 25
        qint16 code = 0;
        QString label; // the channel's label, the "not defined" text for 0, else empty
    };
    QString site; // the program's name
    QString file; // the data file
    QDate date;
    QStringList statusTexts; // the three status texts, trimmed
    QString acuVersion;
    QString canBusAddr; // the number, with its label when the list has one
    QList<Key> keys;    // the keys shown on the buttons page, group by group
};

// The sheet of the configuration the pages show now.
KeySheet MakeKeySheet(ZtTools &zt, QDate date);

// The key table as CSV: a header line, then group,row,code,label per key; UTF-8, CR LF
// line ends, fields quoted where they hold a comma, quote or line end.
QByteArray KeySheetCsv(const KeySheet &sheet);

// Where a key sheet goes: the save dialog (kind "pdf" or "csv"), the overwrite question.
// Empty when cancelled.
QString KeySheetTarget(ZtTools &zt, const QString &suffix);

// Writes bytes to path through a temporary file, so a failure leaves an existing file
// whole; reports the outcome in the status line and log, a failure also in a box.
bool WriteKeySheetFile(ZtTools &zt, const QString &path, const QByteArray &bytes);
// The same outcome report for a file written by someone else (the PDF); failure is the
// system's description, empty on success.
void ReportKeySheetFile(ZtTools &zt, const QString &path, const QString &failure);

// Saves the CSV of the pages' configuration: dialog, question, file, report.
void ExportKeySheetCsv(ZtTools &zt);
