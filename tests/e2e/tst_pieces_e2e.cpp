// The running program against a device whose frames arrive in pieces, as a serial line
// delivers them: every frame is answered, however the pieces fall on the receive timer.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <QRandomGenerator>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "link/Frame.h"

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

// The editor as installed, in a folder of its own, with the given settings and its port
// COM1 pointed at link.
struct Editor {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QString link = dir.filePath(QStringLiteral("ztdev"));
    QProcess process;
    QDate
        day; // the log is named by the day the program starts: this one, or the next past midnight

    bool install(const QList<std::array<const char *, 3>> &values)
    {
        for (const QString &name : {QStringLiteral("zteditor"), QStringLiteral("zteditor.Ini"),
                                    QStringLiteral("zteditor.Chn"), QStringLiteral("zteditor.Dat")})
            if (!QFile::copy(QDir(binDir()).filePath(name), dir.filePath(name)))
                return false;
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        for (const auto &v : values)
            if (!INI_WriteValue(ini, QLatin1String(v[0]), QLatin1String(v[1]), QLatin1String(v[2])))
                return false;
        return INI_WriteValue(ini, QStringLiteral("Ports"), QStringLiteral("COM1"), link);
    }
    // Starts the editor and waits until its port is open.
    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        day = QDate::currentDate();
        process.start(dir.filePath(QStringLiteral("zteditor")), {});
        if (!process.waitForStarted())
            return false;
        QDeadlineTimer until(60000);
        while (!portOpen(process.processId(), link) && !until.hasExpired())
            QTest::qWait(50);
        QTest::qWait(300); // the program clears its input right after opening
        return portOpen(process.processId(), link);
    }
    QString log() const
    {
        const auto name = [&](QDate d) {
            return dir.filePath(QStringLiteral("zteditor-%1.Log"))
                .arg(d.toString(QStringLiteral("yyyy-MM-dd")));
        };
        QFile file(QFileInfo::exists(name(day)) ? name(day) : name(day.addDays(1)));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    ~Editor()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(10000))
            process.kill();
    }
};

// The device end of a pseudo-terminal whose program end is reached through link.
class DeviceEnd {
public:
    explicit DeviceEnd(const QString &link)
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0 && grantpt(m_fd) == 0 && unlockpt(m_fd) == 0)
            m_ok = QFile::link(QString::fromLocal8Bit(ptsname(m_fd)), link);
    }
    ~DeviceEnd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_ok; }
    // Writes bytes as fast as the line takes them; false when the program stops taking
    // them before the deadline.
    bool write(const QByteArray &bytes, QDeadlineTimer until)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            pollfd p{m_fd, POLLOUT, 0};
            if (until.hasExpired())
                return false;
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const auto n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
        }
        return true;
    }
    // Reads until wanted has been seen or the deadline passes; returns all that was read.
    QByteArray readUntil(const QByteArray &wanted, QDeadlineTimer until)
    {
        QByteArray got;
        while (!got.contains(wanted) && !until.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            char buf[512];
            if (::poll(&p, 1, 100) > 0) {
                const auto n = ::read(m_fd, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
        }
        return got;
    }

private:
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace

class TestPiecesE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answered_data();
    void answered();
    void floodThenOnlineTest();
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

    Editor editor;
    QVERIFY(editor.install({{"Main", "Debug", "yes"},
                            {"Main", "ShowMsgBox", "no"},
                            {"Main", "RequestStatus", "no"},
                            {"Main", "RequestData", "no"},
                            {"Comm", "Port", "1"},
                            {"Comm", "TimerInterval", "20"},
                            {"Comm", "TimeOut", "2"},
                            {"Main", "LoadAtStartup_Default", "zteditor.Dat"}}));
    const QString &link = editor.link;

    QProcess sim;
    sim.start(binDir() + QStringLiteral("/ztdevsim"),
              {QStringLiteral("--pty"), link, QStringLiteral("--split"), QStringLiteral("24"),
               QStringLiteral("--gap"), QStringLiteral("3"), QStringLiteral("--delay"),
               QStringLiteral("50")});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 10000);

    QVERIFY(editor.start());

    QByteArray printed;
    for (int i = 1; i <= rounds; ++i) {
        sim.write(command.toLatin1() + '\n');
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).count(answer) >= i,
                                 10000);
        QTest::qWait(150); // the device waits for the program to be done before it goes on
    }
    printed += sim.readAllStandardOutput();
    QCOMPARE(printed.count(answer), rounds);

    sim.terminate();
    sim.waitForFinished();

    // Not one frame of the device was dropped half-read.
    const QString text = editor.log();
    QVERIFY(!text.isEmpty());
    const QString timeout = INI_ReadValue(editor.ini, QStringLiteral("Messages_GER"),
                                          QStringLiteral("Comm_Timeout_Short"), QString());
    QVERIFY(!timeout.isEmpty());
    QVERIFY2(!text.contains(QStringLiteral(">    ") + timeout + QStringLiteral("\r\n")),
             qPrintable(text));
}

// Noise at the line's full speed, with the shipped buffer sizes and the serial traffic window
// open: the program keeps taking it all, and the online test right after is answered.
void TestPiecesE2e::floodThenOnlineTest()
{
    if (!QFile::exists(binDir() + QStringLiteral("/zteditor")))
        QSKIP("zteditor is not built");
    Editor editor;
    QVERIFY(editor.install({{"Comm", "Debug", "1"},
                            {"Comm", "Port", "1"},
                            {"Main", "ShowMsgBox", "no"},
                            {"Main", "RequestStatus", "no"},
                            {"Main", "RequestData", "no"}}));
    DeviceEnd device(editor.link);
    QVERIFY(device.ok());
    QVERIFY(editor.start());

    // Every byte but the command bytes, so the noise never forms a frame.
    QByteArray noise(256 * 1024, Qt::Uninitialized); // four times the receive buffer's cap
    QRandomGenerator random(4711);
    for (char &c : noise) {
        c = char(random.bounded(256));
        if (isCommandByte(c))
            c = 'x';
    }
    QVERIFY2(device.write(noise, QDeadlineTimer(120000)), "the program stopped reading");
    QVERIFY(device.write(QByteArray("\x80\r"), QDeadlineTimer(10000)));
    QCOMPARE(device.readUntil("\x81\r", QDeadlineTimer(60000)), QByteArray("\x81\r"));
    QCOMPARE(editor.process.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestPiecesE2e)
#include "tst_pieces_e2e.moc"
