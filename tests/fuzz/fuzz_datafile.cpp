// Arbitrary bytes as a data file: decoding never reads past the input, refuses short
// input with a description, and the codes survive a round trip.
#include <cstdlib>

#include "common/ZtError.h"
#include "data/DataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const ButtonRecord record = DataFile::decode(bytes);
        const QByteArray again = DataFile::encode(record);
        if (again.size() != DataFile::Size ||
            again.mid(DataFile::VersionSize) !=
                bytes.sliced(DataFile::VersionSize, DataFile::Size - DataFile::VersionSize))
            std::abort();
    } catch (const ZtError &e) {
        if (bytes.size() >= DataFile::Size || e.description().isEmpty())
            std::abort();
    }
    return 0;
}
