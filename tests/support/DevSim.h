#pragma once
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The simulated device on a pseudo-terminal in a temporary folder, for tests that run a
// program against it; its printout is what the device saw and did.
class DevSim {
public:
    static QString binDir()
    {
        // CTest names the folder; run by hand, the programs lie next to the test.
        return qEnvironmentVariable("ZT_BIN_DIR", QCoreApplication::applicationDirPath());
    }

    // The shipped settings, their [Comm] and [Ports] replaced by link (both sections, which
    // point the program at a simulator), written to ini.
    static bool writeSettings(const QString &ini, const QByteArray &link)
    {
        QFile shipped(binDir() + QStringLiteral("/zteditor.Ini"));
        QFile f(ini);
        if (!shipped.open(QIODevice::ReadOnly) || !f.open(QIODevice::WriteOnly))
            return false;
        f.write(link);
        bool skip = false;
        for (const QByteArray &row : shipped.readAll().split('\n')) {
            const QByteArray t = row.trimmed();
            if (t.startsWith('['))
                skip = t == "[Comm]" || t == "[Ports]";
            if (!skip)
                f.write(row + '\n');
        }
        return f.flush();
    }

    ~DevSim() { stop(); }

    // Starts the simulator; false when it does not report ready.
    bool start(const QStringList &args = {})
    {
        m_process.setProgram(binDir() + QStringLiteral("/ztdevsim"));
        m_process.setArguments(QStringList{QStringLiteral("--pty"), link()} + args);
        m_process.start();
        return m_process.waitForStarted(10000) && waitFor("--  ready");
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }
    // The device vanishes without a word, as a pulled adapter does.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    // A command line on the simulator's standard input (send-data, reset, ...).
    void command(const QByteArray &line) { m_process.write(line + '\n'); }
    bool waitFor(const QByteArray &text)
    {
        QDeadlineTimer deadline(10000);
        while (!output().contains(text))
            if (!m_process.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 0))))
                return output().contains(text);
        return true;
    }
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    QString link() const { return m_dir.filePath(QStringLiteral("ztdev")); }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
};
