#include "data/ChannelDef.h"

#include <QHash>
#include <algorithm>
#include <exception>
#include <limits>
#include <vector>

#include "settings/INITools.h"

namespace {

enum class KeyKind { Code, NotANumber, OutOfRange };

// Only plain decimal keys are codes: "0x10" or "&H10" are not, so a typo in the file
// shows up at start-up instead of becoming an unexpected code.
KeyKind readKey(QByteArrayView key, qint32 &code)
{
    const qsizetype sign = (key.startsWith('+') || key.startsWith('-')) ? 1 : 0;
    const QByteArrayView digits = key.sliced(sign);
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return KeyKind::NotANumber;
    constexpr qint64 Limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
        if (value > Limit)
            return KeyKind::OutOfRange;
    }
    if (sign && key.front() == '-')
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        return KeyKind::OutOfRange;
    code = static_cast<qint32>(value);
    return KeyKind::Code;
}

// One list as its section's lines come, without keeping the file: a large channel file has
// tens of thousands of keys, and start-up waits for them.
struct ListReader {
    CodeList list;
    int result = 0;
    // A repeated key takes the label of its first line. Only codes get this far, and a code's
    // name is plain ASCII, so the name as written identifies it. Codes mostly come in order,
    // each beyond all before it and so no repeat; only the others are looked up.
    std::vector<QByteArrayView> names;    // of the entries, pointing into the file read meanwhile
    QMultiHash<qint32, qsizetype> byCode; // made once a code falls inside those before it
    qint32 lowest = 0, highest = -1;

    // False once the list has failed: the rest of its section is not read.
    bool add(QByteArrayView key, const QString &label)
    {
        qint32 code = 0;
        const KeyKind kind = readKey(key, code);
        if (kind != KeyKind::Code) {
            list.append(CodeEntry{label});
            result = kind == KeyKind::NotANumber ? 3 : 2;
            return false;
        }
        qsizetype first = list.size();
        if (!list.isEmpty() && code >= lowest && code <= highest) {
            if (byCode.isEmpty())
                for (qsizetype i = 0; i < list.size(); ++i)
                    byCode.insert(list[i].code, i);
            for (auto it = byCode.constFind(code); it != byCode.constEnd() && it.key() == code;
                 ++it)
                if (names[size_t(*it)] == key)
                    first = *it;
        }
        if (!byCode.isEmpty())
            byCode.insert(code, list.size());
        lowest = list.isEmpty() ? code : std::min(lowest, code);
        highest = list.isEmpty() ? code : std::max(highest, code);
        names.push_back(key);
        list.append(CodeEntry{first == list.size() ? label : list[first].label, code, true});
        return true;
    }
};

} // namespace

int ChannelDef_ReadLists(const QString &path, const QString &language, CodeList &channels,
                         CodeList &canBus)
{
    try {
        // Both lists in one pass over the file, whichever section comes first. The channel
        // list's failure is the one reported, and with it the CAN bus list stays as it was.
        ListReader lists[2];
        INI_ScanSections(path,
                         {QStringLiteral("DATA_CHAN_") + language,
                          QStringLiteral("DATA_CANBUS_ADDR_") + language},
                         [&](qsizetype section, QByteArrayView key, const QString &label) {
                             return lists[section].add(key, label);
                         });
        channels = std::move(lists[0].list);
        if (lists[0].result)
            return lists[0].result;
        canBus = std::move(lists[1].list);
        return lists[1].result;
    } catch (const std::exception &) {
        return 2;
    }
}
