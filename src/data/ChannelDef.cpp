#include "data/ChannelDef.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "settings/INITools.h"

namespace {

enum class KeyKind { Code, NotANumber, OutOfRange };

// Only plain decimal keys are codes: "0x10" or "&H10" are not, so a typo in the file
// shows up at start-up instead of becoming an unexpected code.
KeyKind readKey(const QString &key, qint32 &code)
{
    const qsizetype sign = (key.startsWith(u'+') || key.startsWith(u'-')) ? 1 : 0;
    if (key.size() == sign ||
        !std::all_of(key.begin() + sign, key.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return KeyKind::NotANumber;
    // Digits summed by hand: a large channel file has tens of thousands of keys.
    constexpr qint64 Limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 value = 0;
    for (auto it = key.begin() + sign; it != key.end(); ++it) {
        value = value * 10 + (it->unicode() - u'0');
        if (value > Limit)
            return KeyKind::OutOfRange;
    }
    if (key.startsWith(u'-'))
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        return KeyKind::OutOfRange;
    code = static_cast<qint32>(value);
    return KeyKind::Code;
}

int readList(const QString &path, const QString &section, CodeList &list)
{
    list.clear();
    int result = 0;
    INI_VisitSectionKeys(path, section, [&](const QString &key, const QString &label) {
        list.append(CodeEntry{label});
        qint32 code = 0;
        switch (readKey(key, code)) {
        case KeyKind::NotANumber:
            result = 3;
            return false;
        case KeyKind::OutOfRange:
            result = 2;
            return false;
        case KeyKind::Code:
            list.last().code = code;
            list.last().hasCode = true;
            break;
        }
        return true;
    });
    return result;
}

} // namespace

int ChannelDef_ReadLists(const QString &path, const QString &language, CodeList &channels,
                         CodeList &canBus)
{
    try {
        if (const int r = readList(path, QStringLiteral("DATA_CHAN_") + language, channels))
            return r;
        return readList(path, QStringLiteral("DATA_CANBUS_ADDR_") + language, canBus);
    } catch (const std::exception &) {
        return 2;
    }
}
