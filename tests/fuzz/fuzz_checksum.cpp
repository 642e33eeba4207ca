// The checksum of any payload agrees with a plain restatement of its rule, and any
// payload survives being framed and taken out of the frame again.
#include "link/Frame.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
int digit(uint8_t c)
{
    const char *digits = "0123456789ABCDEF";
    const char *p = c ? std::strchr(digits, c) : nullptr;
    return p ? int(p - digits) : -1;
}

// Value of the pair at index i (0-based); a lone last digit is read with a "0" before it.
int pairValue(const uint8_t *data, size_t size, size_t i)
{
    if (i >= size)
        return 0;
    const int v = i + 1 < size ? digit(data[i]) * 16 + digit(data[i + 1]) : digit(data[i]);
    return v < 0 || v > 255 ? 0 : v;
}

int64_t reference(const uint8_t *data, size_t size)
{
    if (size >= 32768) // the 16-bit pair position would pass 32767
        return -1;
    int64_t sum = pairValue(data, size, 0);
    for (size_t i = 2; i + 1 < size; i += 2)
        sum += pairValue(data, size, i);
    return sum;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView payload(reinterpret_cast<const char *>(data), qsizetype(size));
    if (Comm_Checksum(payload) != reference(data, size))
        std::abort();

    const quint8 code = size > 0 ? data[0] : 0x80;
    const QByteArray frame = makeFrame(code, payload);
    if (isCompleteFrame(frame) != (code >= 0x80 && code <= 0x90))
        std::abort();
    if (framePayload(frame) != payload)
        std::abort();
    return 0;
}
