// Hex text and Windows-1252 conversions on arbitrary bytes: nothing crashes, and what the
// program sends as hex text comes back as the same text.
#include "common/Tools.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
bool isUpperHex(const QByteArray &hex)
{
    for (const char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const int value = Tools::HexToByte(bytes);
    if (value < 0 || value > 255)
        std::abort();
    if (size > 0 && Tools::HexToByte(Tools::ByteToHex(data[0])) != data[0])
        std::abort();

    // Every byte is a character and back.
    const QString text = Tools::fromCp1252(bytes);
    if (text.size() != qsizetype(size) || Tools::toCp1252(text) != bytes)
        std::abort();

    const QByteArray hex = Tools::StringToHex(text);
    if (Tools::Trim(text).isEmpty()) {
        if (!hex.isEmpty())
            std::abort();
    } else if (hex.size() != 2 * qsizetype(size) || !isUpperHex(hex) ||
               Tools::HexToString(hex) != text) {
        std::abort();
    }

    // Received payloads may be anything: one character per digit pair, none lost.
    const QString decoded = Tools::HexToString(bytes);
    const bool blank = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' '; });
    if (decoded.size() != (blank ? 0 : (qsizetype(size) + 1) / 2))
        std::abort();
    return 0;
}
