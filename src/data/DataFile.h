#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "data/DataSet.h"

class QSaveFile;

// The data file: the version text (10 bytes, Windows-1252, blank-padded) followed by the
// 100 button codes (signed 16-bit little-endian, groups A to D of 25 each); 210 bytes.
namespace DataFile {

constexpr qsizetype VersionSize = 10;
constexpr qsizetype Size = VersionSize + 2 * KeyGroups * KeyRows;

QByteArray encode(const ButtonRecord &record);
// The record held in the first Size bytes (later bytes do not count). Throws ZtError
// naming the size found and the size expected when there are fewer.
ButtonRecord decode(QByteArrayView bytes);

} // namespace DataFile

// Disk access for data files. Failures throw ZtError with the system's description.
class DataFileIo {
public:
    virtual ~DataFileIo() = default;

    // At most maxBytes from the start of the file.
    QByteArray read(const QString &path, qint64 maxBytes) const;
    // Writes into a temporary file in the same folder and renames it over path only when
    // every byte was written, so a failure leaves the old file exactly as it was.
    void write(const QString &path, QByteArrayView bytes);

protected:
    // Hands the bytes to the open temporary file; tests replace it to fail part-way.
    virtual void writeBytes(QSaveFile &file, QByteArrayView bytes);
};
