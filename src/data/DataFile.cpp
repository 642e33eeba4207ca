#include "data/DataFile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include "common/Tools.h"
#include "common/ZtError.h"

namespace DataFile {

QByteArray encode(const ButtonRecord &record)
{
    QByteArray out = Tools::toCp1252(record.Version.text());
    out.reserve(Size);
    for (const auto &group : record.Buttons)
        for (const qint16 code : group) {
            char le[2];
            qToLittleEndian(code, le);
            out.append(le, 2);
        }
    return out;
}

ButtonRecord decode(QByteArrayView bytes)
{
    if (bytes.size() < Size)
        throw ZtError(QStringLiteral("The file holds %1 bytes; a data file holds %2 bytes")
                          .arg(bytes.size())
                          .arg(Size));
    ButtonRecord record;
    record.Version.set(Tools::fromCp1252(bytes.first(VersionSize)));
    const char *p = bytes.data() + VersionSize;
    for (auto &group : record.Buttons)
        for (qint16 &code : group) {
            code = qFromLittleEndian<qint16>(p);
            p += 2;
        }
    return record;
}

} // namespace DataFile

QByteArray DataFileIo::read(const QString &path, qint64 maxBytes) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ZtError(file.errorString());
    const QByteArray bytes = file.read(maxBytes);
    if (file.error() != QFileDevice::NoError)
        throw ZtError(file.errorString());
    return bytes;
}

void DataFileIo::write(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ZtError(file.errorString());
    writeBytes(file, bytes); // on a throw the destructor discards the temporary file
    if (!file.commit())
        throw ZtError(file.errorString());
}

void DataFileIo::writeBytes(QSaveFile &file, QByteArrayView bytes)
{
    if (file.write(bytes.data(), bytes.size()) != bytes.size())
        throw ZtError(file.errorString());
}
