#pragma once
#include <QString>
#include <QStringList>

// The data files loaded or saved last, newest first, kept in a file of their own in the
// instance folder (one path a line, UTF-8): the settings file's tidy rewrites every
// section, and a list that changes with every load does not belong there.
class RecentFiles {
public:
    static constexpr int MaxFiles = 8;

    // file: the list's file; read here when it exists.
    explicit RecentFiles(const QString &file);

    const QStringList &files() const { return m_files; }
    // path goes to the top (once), the list is cut to MaxFiles and written at once, so a
    // program that does not end cleanly keeps it. Failing to write only loses the list.
    void add(const QString &path);

private:
    QString m_file;
    QStringList m_files;
};
