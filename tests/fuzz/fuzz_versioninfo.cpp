// Arbitrary bytes as a version-info payload from the device: the status texts keep their
// shape whatever arrives. The same bytes as three status texts: what the program sends
// as its version info reads back as the same texts.
#include <cstddef>
#include <cstdint>

#include "LinkFuzzRig.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/Frame.h"

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void readPayload(Rig &r, QByteArrayView payload)
{
    for (auto &t : r.zt.data().TextStatus)
        t.set(QStringLiteral("before"));
    try {
        r.interpreter.Interpret_VersionInfo(payload);
    } catch (const ZtError &e) {
        // Only a fourth entry is refused, and four length digit pairs need seven digits.
        check(payload.size() >= 7 && !e.description().isEmpty());
    }
    for (const auto &t : r.zt.data().TextStatus)
        check(t.text().size() == StatusTextLength);
}

void roundTrip(Rig &r, QByteArrayView bytes)
{
    // Three texts of up to 40 bytes each, so cut and padded texts both occur.
    std::array<QString, 3> sent;
    for (int n = 0; n < 3; ++n) {
        const qsizetype from = qMin<qsizetype>(n * 40, bytes.size());
        r.zt.data().TextStatus[n].set(
            Tools::fromCp1252(bytes.sliced(from, qMin<qsizetype>(40, bytes.size() - from))));
        sent[n] = r.zt.data().TextStatus[n].text();
    }
    QByteArray frame;
    r.interpreter.BuildVersionInfo(frame);
    check(isCompleteFrame(frame) && frame.at(0) == char(FrameCode::VersionInfo));
    check(framePayload(frame).size() == 3 * (2 + 2 * StatusTextLength));

    for (auto &t : r.zt.data().TextStatus)
        t.set(QString());
    r.interpreter.Interpret_VersionInfo(framePayload(frame));
    for (int n = 0; n < 3; ++n) {
        const QString expected =
            Tools::Trim(sent[n]).isEmpty() ? QStringLiteral("TextStatus(%1)").arg(n + 1) : sent[n];
        check(r.zt.data().TextStatus[n].text() ==
              expected.leftJustified(StatusTextLength, QLatin1Char(' ')));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig &r = rig();
    r.reset();
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readPayload(r, bytes);
    roundTrip(r, bytes);
    return 0;
}
