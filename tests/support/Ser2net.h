#pragma once
// Debian's ser2net in front of a serial device on a free loopback port: "tcp" passes the
// bytes as they are, "rfc2217" lets the client set the line.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>

#include "common/Tools.h"

class Ser2net {
public:
    static QString program()
    {
        const QString path = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        return path.isEmpty() && QFile::exists(QStringLiteral("/usr/sbin/ser2net"))
                   ? QStringLiteral("/usr/sbin/ser2net")
                   : path;
    }

    // Serves device (19200 8N1 unless told otherwise) until stopped; files go to dir.
    bool start(const QString &mode, const QString &device, const QString &dir)
    {
        QTcpServer probe; // a free port, given up again for ser2net
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        m_port = probe.serverPort();
        probe.close();
        const QString accepter = mode == QLatin1String("rfc2217")
                                     ? QStringLiteral("telnet(rfc2217),tcp")
                                     : QStringLiteral("tcp");
        m_address = QStringLiteral("%1://127.0.0.1:%2").arg(mode).arg(m_port);
        const QString yaml = dir + QStringLiteral("/ser2net.yaml");
        QFile f(yaml);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QStringLiteral("%YAML 1.1\n---\nconnection: &zt\n"
                               "  accepter: %1,127.0.0.1,%2\n"
                               "  connector: serialdev,%3,19200n81,local\n"
                               "  options:\n    chardelay: false\n")
                    .arg(accepter)
                    .arg(m_port)
                    .arg(device)
                    .toUtf8());
        f.close();
        m_process.setProgram(program());
        m_process.setArguments({QStringLiteral("-n"), QStringLiteral("-c"), yaml,
                                QStringLiteral("-P"), dir + QStringLiteral("/ser2net.pid")});
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        return run();
    }
    QString address() const { return m_address; }
    // Starts, or starts again after kill(), on the same port.
    bool run()
    {
        m_process.start();
        // Nothing signals the listening socket: look again every 20 ms.
        QTimer look;
        look.start(20);
        return m_process.waitForStarted(5000) &&
               Tools::WaitUntil([this] { return listening(); }, QDeadlineTimer(10000));
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    ~Ser2net()
    {
        if (m_process.state() != QProcess::NotRunning)
            kill();
    }

private:
    // The port is in the kernel's table of listening sockets (state 0A).
    bool listening() const
    {
        QFile tcp(QStringLiteral("/proc/net/tcp"));
        if (!tcp.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line : tcp.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() > 3 && f[1].endsWith(':' + local) && f[3] == "0A")
                return true;
        }
        return false;
    }

    QProcess m_process;
    quint16 m_port = 0;
    QString m_address;
};
