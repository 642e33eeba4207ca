#include "Unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Unprivileged {
namespace {
// True when a user other than the owner may pass through every folder of path.
bool othersMayEnter(const QString &path)
{
    for (QDir d(path);; d.cdUp()) {
        if (!QFileInfo(d.absolutePath()).permission(QFile::ExeOther))
            return false;
        if (d.isRoot())
            return true;
    }
}
} // namespace

Outcome rerunCurrentCase(QString &why)
{
    if (::geteuid() != 0)
        return Outcome::NotRoot;
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody) {
        why = QStringLiteral("needs an ordinary user and the system has no user nobody");
        return Outcome::Impossible;
    }
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        why = QStringLiteral("needs setpriv (util-linux) to run this case as nobody");
        return Outcome::Impossible;
    }
    // nobody may not enter the build folder or root's home: the copy of the program and the
    // child's home and temporary folder lie in a folder of their own that it may enter.
    QString base = QDir::tempPath();
    if (!othersMayEnter(base))
        base = QStringLiteral("/tmp");
    if (!othersMayEnter(base)) {
        why = QStringLiteral("needs a temporary folder nobody may enter; neither ") +
              QDir::tempPath() + QStringLiteral(" nor /tmp is one");
        return Outcome::Impossible;
    }
    QTemporaryDir work(base + QStringLiteral("/zt-nobody-XXXXXX"));
    const QString program =
        work.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    const QString home = work.filePath(QStringLiteral("home"));
    if (!work.isValid() || !QFile::copy(QCoreApplication::applicationFilePath(), program) ||
        !QDir().mkdir(home) ||
        ::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
        ::chmod(QFile::encodeName(work.path()).constData(), 0755) != 0) {
        why = QStringLiteral("cannot prepare a folder for nobody under ") + base;
        return Outcome::Impossible;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("TMPDIR"), home);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QString testCase = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag(); tag && *tag)
        testCase += u':' + QString::fromLatin1(tag);
    QProcess child;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv,
                {QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                 QStringLiteral("--regid=%1").arg(nobody->pw_gid), QStringLiteral("--clear-groups"),
                 QStringLiteral("--"), program, testCase});
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        why = QStringLiteral("as nobody, %1 did not finish in 120 s").arg(testCase);
        return Outcome::Failed;
    }
    const QString output = QString::fromLocal8Bit(child.readAll()).trimmed();
    // setpriv's own failures: it could not change user or start the copy.
    if (child.exitStatus() == QProcess::NormalExit &&
        (child.exitCode() == 126 || child.exitCode() == 127)) {
        why = QStringLiteral("cannot run this case as nobody: ") + output;
        return Outcome::Impossible;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        why = QStringLiteral("as nobody (child process):\n") + output;
        return Outcome::Failed;
    }
    for (const QString &line : output.split(u'\n')) {
        if (line.startsWith(QLatin1String("SKIP"))) {
            why = QStringLiteral("as nobody: ") + line;
            return Outcome::Impossible;
        }
    }
    qInfo("ran as nobody (uid %u) in a child process, passed", unsigned(nobody->pw_uid));
    return Outcome::Passed;
}

} // namespace Unprivileged
