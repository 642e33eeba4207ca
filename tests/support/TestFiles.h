#pragma once
#include <QByteArray>
#include <QFile>
#include <QTest>

// A file's bytes, or "<missing>" so a comparison names what went wrong.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes exactly these bytes, failing the test when it cannot.
inline void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}
