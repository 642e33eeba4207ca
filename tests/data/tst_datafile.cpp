#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestFiles.h"
#include "common/ZtError.h"
#include "data/DataFile.h"

namespace {

// A data file built byte by byte: "1.0" + 7 blanks, then a few codes at known offsets.
QByteArray sampleBytes()
{
    QByteArray b = QByteArray("1.0       ") + QByteArray(200, '\0');
    auto put = [&](int offset, quint8 lo, quint8 hi) {
        b[offset] = char(lo);
        b[offset + 1] = char(hi);
    };
    put(10, 0x01, 0x00);  // A1 = 1
    put(58, 0xFF, 0xFF);  // A25 = -1
    put(60, 0x34, 0x12);  // B1 = 0x1234
    put(134, 0x2C, 0x01); // C13 = 300
    put(208, 0x00, 0x80); // D25 = -32768
    return b;
}

ButtonRecord sampleRecord()
{
    ButtonRecord r;
    r.Version.set(QStringLiteral("1.0"));
    r.button(1, 1) = 1;
    r.button(1, 25) = -1;
    r.button(2, 1) = 0x1234;
    r.button(3, 13) = 300;
    r.button(4, 25) = -32768;
    return r;
}

// Writes the first `keep` bytes, then fails as a full disk does.
class DiskFullIo : public DataFileIo {
public:
    explicit DiskFullIo(qsizetype keep) : m_keep(keep) {}

protected:
    void writeBytes(QSaveFile &file, QByteArrayView bytes) override
    {
        file.write(bytes.data(), m_keep);
        throw ZtError(28, QStringLiteral("No space left on device"));
    }

private:
    qsizetype m_keep;
};

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesBytesAtTheirOffsets()
    {
        const ButtonRecord r = DataFile::decode(sampleBytes());
        QCOMPARE(r.Version.text(), QStringLiteral("1.0       "));
        QCOMPARE(r, sampleRecord());
    }

    void encodesToTheExactBytes()
    {
        QCOMPARE(DataFile::encode(sampleRecord()), sampleBytes());
        // A fresh record: ten characters of code 0 and 100 zero codes.
        QCOMPARE(DataFile::encode(ButtonRecord{}), QByteArray(210, '\0'));
    }

    void everyEntryHasItsOwnPlace()
    {
        ButtonRecord r;
        for (int g = 1; g <= 4; ++g)
            for (int e = 1; e <= 25; ++e)
                r.button(g, e) = qint16((g - 1) * 25 + e);
        const QByteArray b = DataFile::encode(r);
        QCOMPARE(b.size(), 210);
        for (int k = 1; k <= 100; ++k) {
            QCOMPARE(quint8(b[10 + 2 * (k - 1)]), quint8(k));
            QCOMPARE(quint8(b[11 + 2 * (k - 1)]), quint8(0));
        }
        QCOMPARE(DataFile::decode(b), r);
    }

    void versionTextIsWindows1252()
    {
        ButtonRecord r;
        r.Version.set(QStringLiteral("\u20ACx\u00E4"));
        const QByteArray b = DataFile::encode(r);
        QCOMPARE(b.left(10), QByteArray("\x80x\xE4       "));
        QCOMPARE(DataFile::decode(b).Version.text(), QStringLiteral("\u20ACx\u00E4       "));
    }

    void sizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("one short") << 209 << false;
        QTest::newRow("exact") << 210 << true;
        QTest::newRow("longer") << 4096 << true;
    }
    void sizes()
    {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        QByteArray bytes = sampleBytes();
        bytes = size <= 210 ? bytes.left(size) : bytes + QByteArray(size - 210, '\x7F');
        try {
            const ButtonRecord r = DataFile::decode(bytes);
            QVERIFY(accepted);
            QCOMPARE(r, sampleRecord()); // bytes after the record do not count
        } catch (const ZtError &e) {
            QVERIFY(!accepted);
            QVERIFY2(e.description().contains(QString::number(size)), qPrintable(e.description()));
            QVERIFY2(e.description().contains(QStringLiteral("210")), qPrintable(e.description()));
        }
    }

    void writeReplacesALongerFileCompletely()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.DAT"));
        writeRaw(path, QByteArray(4096, 'x'));
        DataFileIo io;
        io.write(path, sampleBytes());
        QCOMPARE(readAll(path), sampleBytes());
        QCOMPARE(io.read(path, 210), sampleBytes());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.DAT")});
    }

    void interruptedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("keep");
        QTest::newRow("nothing written") << 0;
        QTest::newRow("half written") << 105;
        QTest::newRow("all but one") << 209;
    }
    void interruptedWriteKeepsTheOldFile()
    {
        QFETCH(int, keep);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.DAT"));
        const QByteArray old = QByteArray("OLD CONTENT") + QByteArray(300, '\x01');
        writeRaw(path, old);
        DiskFullIo io(keep);
        try {
            io.write(path, sampleBytes());
            QFAIL("the write should fail");
        } catch (const ZtError &e) {
            QCOMPARE(e.description(), QStringLiteral("No space left on device"));
        }
        QCOMPARE(readAll(path), old);
        // No temporary file is left next to it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("keep.DAT")});
    }

    void failuresCarryTheSystemsDescription()
    {
        QTemporaryDir dir;
        DataFileIo io;
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/x.DAT"));
        for (auto attempt : {0, 1}) {
            try {
                if (attempt == 0)
                    io.write(missingFolder, sampleBytes());
                else
                    io.read(missingFolder, 210);
                QFAIL("should fail");
            } catch (const ZtError &e) {
                QVERIFY(!e.description().isEmpty());
            }
        }
        QVERIFY(!QFile::exists(missingFolder));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
