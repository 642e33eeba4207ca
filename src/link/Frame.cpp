#include "link/Frame.h"

#include "common/Tools.h"
#include "data/DataSet.h"

#include <algorithm>
#include <limits>

qint32 Comm_Checksum(QByteArrayView payload)
{
    // The pair position is a 16-bit counter; the sum of at most 16384 pairs cannot overflow.
    qint32 sum = 0;
    qint32 position = 1;
    do {
        sum += Tools::HexToByte(payload.sliced(std::min<qsizetype>(position - 1, payload.size())));
        position += 2;
        if (position > std::numeric_limits<qint16>::max())
            return -1;
    } while (position < payload.size());
    return sum;
}

bool isCommandByte(char byte)
{
    const auto b = static_cast<quint8>(byte);
    return b >= FrameCode::OnlineTest && b <= FrameCode::CanBusAddress;
}

QByteArray makeFrame(quint8 code, QByteArrayView payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + 2);
    frame += static_cast<char>(code);
    frame += payload;
    frame += FrameTerminator;
    return frame;
}

bool isCompleteFrame(QByteArrayView buffer)
{
    return buffer.size() > 1 && isCommandByte(buffer.front()) && buffer.back() == FrameTerminator;
}

QByteArrayView framePayload(QByteArrayView frame)
{
    return frame.size() < 2 ? QByteArrayView() : frame.sliced(1, frame.size() - 2);
}

QString hexBytesText(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

QString frameText(QByteArrayView frame)
{
    const QByteArrayView payload = framePayload(frame);
    const bool printable = std::all_of(payload.begin(), payload.end(),
                                       [](char c) { return c >= 0x20 && c < 0x7F && c != '"'; });
    if (frame.size() < 2 || !printable)
        return hexBytesText(frame);
    QString text = hexBytesText(frame.first(1));
    if (!payload.isEmpty())
        text += QStringLiteral(" \"%1\"").arg(QString::fromLatin1(payload.toByteArray()));
    return text + QLatin1Char(' ') + hexBytesText(frame.last(1));
}

QByteArray dataBlockPayload(const ButtonRecord &record, int cols, int rows)
{
    cols = std::clamp(cols, 1, KeyGroups);
    rows = std::clamp(rows, 1, KeyRows);
    QByteArray payload;
    payload.reserve(cols * rows * 4);
    for (int g = 1; g <= cols; ++g)
        for (int e = 1; e <= rows; ++e)
            payload += Tools::WordToHex(record.button(g, e));
    return payload;
}

QByteArray versionInfoPayload(const std::array<QString, 3> &texts)
{
    QByteArray payload;
    for (int n = 1; n <= 3; ++n) {
        QString text = texts[n - 1];
        if (Tools::Trim(text).isEmpty())
            text = QStringLiteral("TextStatus(%1)").arg(n);
        payload += Tools::ByteToHex(StatusTextLength);
        payload += Tools::StringToHex(
            text.left(StatusTextLength).leftJustified(StatusTextLength, QLatin1Char(' ')));
    }
    return payload;
}

QByteArray checksumAckPayload(qint32 checksum)
{
    return Tools::StringToHex(QString::number(checksum));
}
