// Settings-style files from untrusted bytes: reads, section listing, a value write and the
// tidy rewrite must neither crash nor lose what was written.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "settings/INITools.h"

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where the system has such a folder: every write is flushed to disk, which
    // on a busy disk would take most of the time.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/zt_fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/zt_fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("fuzz.Ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    INI_ReadValue(path, QStringLiteral("Main"), QStringLiteral("Language"), QStringLiteral("GER"));
    QStringList keys, values;
    INI_ReadSectionKeys(path, QStringLiteral("Main"), keys, &values);
    check(values.size() == keys.size());
    for (const QString &k : keys)
        INI_ReadValue(path, QStringLiteral("Main"), k, QString());

    // What was written reads back, also after the tidy, and a second tidy changes nothing.
    if (INI_WriteValue(path, QStringLiteral("Main"), QStringLiteral("Fuzz"), QStringLiteral("1")))
        check(INI_ReadValue(path, QStringLiteral("Main"), QStringLiteral("Fuzz"), QString()) ==
              QLatin1String("1"));
    if (INI_Tidy(path) == 0) {
        check(INI_ReadValue(path, QStringLiteral("Main"), QStringLiteral("Fuzz"), QString()) ==
              QLatin1String("1"));
        const QByteArray tidied = fileBytes(path);
        check(INI_Tidy(path) == 0 && fileBytes(path) == tidied);
    }
    return 0;
}
