#include "app/RecentFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

RecentFiles::RecentFiles(const QString &file) : m_file(file)
{
    QFile in(m_file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromUtf8(in.readAll()).split(u'\n');
    for (QString line : lines) {
        line.remove(u'\r');
        if (!line.trimmed().isEmpty() && !m_files.contains(line) && m_files.size() < MaxFiles)
            m_files << line;
    }
}

void RecentFiles::add(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > MaxFiles)
        m_files.removeLast();
    QSaveFile out(m_file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(m_files.join(u'\n').toUtf8() + '\n');
        out.commit();
    }
}
