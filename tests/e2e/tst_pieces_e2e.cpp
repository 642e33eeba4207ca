// The running program against a device whose frames arrive in pieces, as a serial line
// delivers them: every frame is answered, however the pieces fall on the receive timer.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "settings/INITools.h"

namespace {

QString binDir()
{
    const QString dir = qEnvironmentVariable("ZT_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

// The editor's open files include the pseudo-terminal behind link: its port is open.
bool portOpen(qint64 pid, const QString &link)
{
    const QString slave = QFileInfo(link).symLinkTarget();
    for (const QFileInfo &fd :
         QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == slave)
            return true;
    return false;
}

} // namespace

class TestPiecesE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answered_data();
    void answered();
};

void TestPiecesE2e::answered_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("rounds");
    // 182 bytes in 24-byte pieces, 3 ms apart: the receive timer fires between pieces.
    QTest::newRow("data blocks") << "send-data" << QByteArray("in  86") << 6;
    QTest::newRow("online tests") << "online-test" << QByteArray("in  81") << 6;
    QTest::newRow("version requests") << "version" << QByteArray("in  83") << 6;
}

void TestPiecesE2e::answered()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, answer);
    QFETCH(int, rounds);
    if (!QFile::exists(binDir() + QStringLiteral("/zteditor")))
        QSKIP("zteditor is not built");

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    const QString link = dir.filePath(QStringLiteral("ztdev"));
    for (const QString &name : {QStringLiteral("zteditor"), QStringLiteral("zteditor.Ini"),
                               QStringLiteral("zteditor.Chn"), QStringLiteral("zteditor.Dat")})
        QVERIFY(QFile::copy(QDir(binDir()).filePath(name), dir.filePath(name)));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    const QList<std::array<const char *, 3>> values = {
        {"Main", "Debug", "yes"},        {"Main", "ShowMsgBox", "no"},
        {"Main", "RequestStatus", "no"}, {"Main", "RequestData", "no"},
        {"Comm", "Port", "1"},           {"Comm", "TimerInterval", "20"},
        {"Comm", "TimeOut", "2"},        {"Main", "LoadAtStartup_Default", "zteditor.Dat"}};
    for (const auto &v : values)
        QVERIFY(INI_WriteValue(ini, QLatin1String(v[0]), QLatin1String(v[1]), QLatin1String(v[2])));
    QVERIFY(INI_WriteValue(ini, QStringLiteral("Ports"), QStringLiteral("COM1"), link));

    QProcess sim;
    sim.start(binDir() + QStringLiteral("/ztdevsim"),
              {QStringLiteral("--pty"), link, QStringLiteral("--split"), QStringLiteral("24"),
               QStringLiteral("--gap"), QStringLiteral("3"), QStringLiteral("--delay"),
               QStringLiteral("50")});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 10000);

    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(env);
    editor.setWorkingDirectory(dir.path());
    editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The log is named by the day the program starts: this one, or the next past midnight.
    const QDate day = QDate::currentDate();
    editor.start(dir.filePath(QStringLiteral("zteditor")), {});
    QVERIFY(editor.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(portOpen(editor.processId(), link), 60000);
    QTest::qWait(300); // the program clears its input right after opening

    QByteArray printed;
    for (int i = 1; i <= rounds; ++i) {
        sim.write(command.toLatin1() + '\n');
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).count(answer) >= i,
                                 10000);
        QTest::qWait(150); // the device waits for the program to be done before it goes on
    }
    printed += sim.readAllStandardOutput();
    QCOMPARE(printed.count(answer), rounds);

    ::kill(pid_t(editor.processId()), SIGTERM);
    if (!editor.waitForFinished(10000))
        editor.kill();
    sim.terminate();
    sim.waitForFinished();

    // Not one frame of the device was dropped half-read.
    const auto logName = [&](QDate d) {
        return dir.filePath(QStringLiteral("zteditor-%1.Log"))
            .arg(d.toString(QStringLiteral("yyyy-MM-dd")));
    };
    QFile log(QFileInfo::exists(logName(day)) ? logName(day) : logName(day.addDays(1)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    const QString timeout = INI_ReadValue(ini, QStringLiteral("Messages_GER"),
                                          QStringLiteral("Comm_Timeout_Short"), QString());
    QVERIFY(!timeout.isEmpty());
    QVERIFY2(!text.contains(QStringLiteral(">    ") + timeout + QStringLiteral("\r\n")),
             qPrintable(text));
}

QTEST_GUILESS_MAIN(TestPiecesE2e)
#include "tst_pieces_e2e.moc"
