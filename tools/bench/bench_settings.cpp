// Reading a channel definition file as start-up does: the key names of the section, then
// the value of every key. The cost per key must not grow with the size of the file.
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

#include "Bench.h"
#include "settings/INITools.h"

namespace {

const QString Section = QStringLiteral("DATA_CHAN_GER");

bool writeChannelFile(const QString &path, int keys)
{
    QByteArray text = "; channel definitions\r\n[DATA_CANBUS_ADDR_GER]\r\n1=Node 1\r\n\r\n[" +
                      Section.toLatin1() + "]\r\n";
    for (int i = 1; i <= keys; ++i)
        text += QByteArray::number(i) + "=Kanal " + QByteArray::number(i) + " Lautsprecher ; " +
                QByteArray::number(i % 7) + "\r\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// Seconds for one complete read; -1 when the file did not read back as written.
double readAll(const QString &path, int keys)
{
    QElapsedTimer t;
    t.start();
    QStringList names;
    INI_ReadSectionKeys(path, Section, names);
    qsizetype chars = 0;
    for (const QString &k : names)
        chars += INI_ReadValue(path, Section, k, QString()).size();
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    return (names.size() == keys && chars > 0) ? seconds : -1;
}

bool settingsBench()
{
    QTemporaryDir dir;
    const int sizes[] = {100, 1000, 10000, 50000};
    for (int n : sizes)
        if (!writeChannelFile(dir.filePath(QStringLiteral("c%1.Chn").arg(n)), n))
            return false;
    // The program meets files written before it starts; a file younger than the file
    // system's time step is read afresh on every access and is not what is measured here.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    std::printf("%8s %14s %14s %14s\n", "keys", "first read s", "per key us", "again per key us");
    double perKey1000 = 0, perKey50000 = 0, total50000 = 0;
    bool ok = true;
    for (int n : sizes) {
        const QString path = dir.filePath(QStringLiteral("c%1.Chn").arg(n));
        const double first = readAll(path, n);
        const double again = readAll(path, n);
        if (first < 0 || again < 0) {
            std::printf("%8d read back wrong\n", n);
            ok = false;
            continue;
        }
        std::printf("%8d %14.4f %14.3f %14.3f\n", n, first, first / n * 1e6, again / n * 1e6);
        if (n == 1000)
            perKey1000 = first / n;
        if (n == 50000) {
            perKey50000 = first / n;
            total50000 = first;
        }
    }
    const double ratio = perKey50000 / perKey1000;
    std::printf("per-key cost 50000 / 1000 keys: %.2f (target <= 2)\n", ratio);
    std::printf("50000 keys: %.3f s (target < 1 s)\n", total50000);
    return ok && ratio <= 2 && total50000 < 1;
}

BenchRegistration registration("settings", settingsBench);

} // namespace
