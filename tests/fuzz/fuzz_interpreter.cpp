// Arbitrary bytes from the device: through the receive event, the buffer cap and the
// collector into the interpreter, whose answers go to a fake port.
#include <cstddef>
#include <cstdint>

#include "LinkFuzzRig.h"
#include "link/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig &r = rig();
    r.reset();

    // Each piece up to a terminator arrives as one burst; a buffer that does not form a
    // frame is dropped as the collector's time-out would drop it.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', from);
        end = end < 0 ? bytes.size() : end + 1;
        r.comm.inject(bytes.mid(from, end - from));
        if (r.ct.CommInBuffer().size() > CommTools::InBufferCap)
            __builtin_trap();
        if (isCompleteFrame(r.ct.CommInBuffer()))
            r.ct.Comm_WaitForData();
        else if (end == bytes.size())
            r.ct.discardInput();
        from = end;
    }
    // Whatever arrived, the DataSet keeps its shape.
    for (const auto &t : r.zt.data().TextStatus)
        if (t.text().size() != 32)
            __builtin_trap();
    if (r.zt.data().ACUVersion.text().size() != 4)
        __builtin_trap();
    return 0;
}
