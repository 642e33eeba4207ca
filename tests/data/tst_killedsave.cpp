#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "TestFiles.h"
#include "data/DataFile.h"

namespace {

// Two records that differ in every byte position that can differ.
QByteArray image(int sign, const char *version)
{
    ButtonRecord record;
    record.Version.set(QString::fromLatin1(version));
    for (int group = 1; group <= KeyGroups; ++group)
        for (int row = 1; row <= KeyRows; ++row)
            record.button(group, row) = qint16(sign * (group * 1000 + row * 7));
    return DataFile::encode(record);
}

} // namespace

// A save killed with SIGKILL at any moment leaves the old or the new file, whole.
class TestKilledSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedSaveLeavesAWholeFile_data()
    {
        QTest::addColumn<int>("rounds");
        QTest::addColumn<int>("maxDelayUs"); // how long after the first save the kill comes
        QTest::newRow("right after the first save") << 40 << 300;
        QTest::newRow("within a few saves") << 40 << 3000;
        QTest::newRow("after many saves") << 20 << 30000;
    }
    void killedSaveLeavesAWholeFile()
    {
        QFETCH(int, rounds);
        QFETCH(int, maxDelayUs);
        const QString saver = qEnvironmentVariable("ZT_BIN_DIR") + QStringLiteral("/zt_savekiller");
        if (!QFile::exists(saver))
            QSKIP("zt_savekiller is not built (run through ctest)");

        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("zteditor.Dat"));
        const QString firstFile = dir.filePath(QStringLiteral("first.img"));
        const QString secondFile = dir.filePath(QStringLiteral("second.img"));
        const QByteArray first = image(1, "1.0");
        const QByteArray second = image(-1, "2.5");
        QCOMPARE(first.size(), DataFile::Size);
        QCOMPARE(second.size(), DataFile::Size);
        writeRaw(firstFile, first);
        writeRaw(secondFile, second);
        // An older, longer file in its place before the first round.
        writeRaw(target, QByteArray(4096, 'x'));

        // A seed of its own each run, printed so that a failing run can be repeated.
        const QByteArray seedText = qgetenv("ZT_TEST_SEED");
        const quint32 seed =
            seedText.isEmpty() ? QRandomGenerator::system()->generate() : seedText.toUInt();
        qInfo("seed %u (ZT_TEST_SEED=%u repeats the delays)", seed, seed);
        QRandomGenerator random(seed);
        int sawFirst = 0, sawSecond = 0;
        for (int round = 0; round < rounds; ++round) {
            QProcess proc;
            proc.start(saver, {target, firstFile, secondFile});
            QVERIFY2(proc.waitForStarted(), qPrintable(proc.errorString()));
            // Generous limit: only there so a broken helper cannot hang the test.
            while (!proc.canReadLine() && proc.state() == QProcess::Running)
                proc.waitForReadyRead(30000);
            QVERIFY2(proc.readLine() == "ready\n", proc.readAllStandardError().constData());

            QThread::usleep(random.bounded(maxDelayUs));
            proc.kill();
            QVERIFY(proc.waitForFinished(30000));
            // Killed inside its loop, not ended by a failed save.
            QVERIFY2(proc.exitStatus() == QProcess::CrashExit,
                     proc.readAllStandardError().constData());

            const QByteArray now = readAll(target);
            QVERIFY2(now == first || now == second,
                     qPrintable(QStringLiteral("round %1: %2 bytes, neither image: %3")
                                    .arg(round)
                                    .arg(now.size())
                                    .arg(QString::fromLatin1(now.left(24).toHex(' ')))));
            (now == first ? sawFirst : sawSecond)++;
        }
        qInfo("first image %d times, second image %d times", sawFirst, sawSecond);
    }
};

QTEST_GUILESS_MAIN(TestKilledSave)
#include "tst_killedsave.moc"
