#include "app/Compare.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <utility>

#include "app/CommInterpreter.h"
#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/CommTools.h"
#include "link/Frame.h"
#include "log/AppLog.h"
#include "settings/BuiltInTexts.h"

namespace {
// Longest the collector may take to hand on a block already in the buffer.
constexpr int CatchMs = 5000;
} // namespace

QList<KeyDifference> differingKeys(const KeyCodes &mine, const KeyCodes &other, int cols, int rows)
{
    QList<KeyDifference> found;
    for (int g = 0; g < qBound(1, cols, KeyGroups); ++g)
        for (int r = 0; r < qBound(1, rows, KeyRows); ++r)
            if (mine[g][r] != other[g][r])
                found.append({{g + 1, r + 1}, mine[g][r], other[g][r]});
    return found;
}

QList<KeyPlace> findKeys(const KeyCodes &codes, int cols, int rows, const QString &text,
                         const std::function<QString(qint16)> &labelOf)
{
    const QString wanted = text.trimmed();
    QList<KeyPlace> found;
    if (wanted.isEmpty())
        return found;
    for (int r = 0; r < qBound(1, rows, KeyRows); ++r)
        for (int g = 0; g < qBound(1, cols, KeyGroups); ++g) {
            const qint16 code = codes[g][r];
            if (QString::number(code) == wanted ||
                labelOf(code).contains(wanted, Qt::CaseInsensitive))
                found.append({g + 1, r + 1});
        }
    return found;
}

int stepFound(const QList<KeyPlace> &found, const std::optional<KeyPlace> &last, int direction)
{
    const int n = int(found.size());
    if (!last)
        return direction > 0 ? 0 : n - 1;
    // The keys are found row by row; before is how many come before the key found last.
    const auto before = int(std::count_if(found.cbegin(), found.cend(), [&](KeyPlace k) {
        return std::pair(k.row, k.group) < std::pair(last->row, last->group);
    }));
    const bool still = before < n && found[before] == *last;
    const int at = still || direction < 0 ? before : before - 1;
    return (at + direction + n) % n;
}

QString CodeLabels::label(const CodeList &list, qint16 code, const QString &notDefined)
{
    constexpr qsizetype Held = 4;
    if (code == 0)
        return notDefined;
    auto index = std::find_if(m_indexes.begin(), m_indexes.end(), [&](const Index &i) {
        return i.list.constData() == list.constData() && i.list.size() == list.size();
    });
    if (index == m_indexes.end()) {
        if (m_indexes.size() == Held)
            m_indexes.removeFirst();
        Index made{list, {}};
        made.first.reserve(list.size());
        // Keys hold 16-bit codes: no other code is ever asked for.
        for (qsizetype i = list.size() - 1; i >= 0; --i)
            if (list[i].hasCode && list[i].code == qint16(list[i].code))
                made.first.insert(list[i].code, i);
        m_indexes.append(std::move(made));
        index = m_indexes.end() - 1;
    }
    const auto it = index->first.constFind(code);
    return it == index->first.constEnd() ? QString::number(code) : list[*it].label;
}

Comparison::Comparison(ZtTools &zt, CommTools &comm, CommInterpreter &interpreter)
    : m_zt(zt), m_comm(comm), m_interpreter(interpreter)
{
}

QString Comparison::label(qint16 code)
{
    return m_labels.label(m_zt.channelList(), code, m_zt.notDefinedText());
}

bool Comparison::withFile()
{
    if (!m_zt.flags().SaveLoadEnabled)
        return false;
    const QString file = m_zt.OpenFileDialog(m_zt.dataFileName(), 1);
    if (file.isEmpty())
        return false;
    try {
        const ButtonRecord record = DataFile::decode(DataFileIo().read(file, DataFile::Size));
        compareWith(record.Buttons, file);
        return true;
    } catch (const ZtError &e) {
        const QString text = FormatMessage(m_zt.msg().text(QStringLiteral("ReadFromDisk_Err")),
                                           e.description(), file);
        m_zt.log().WriteLog(text);
        m_zt.op().messageBox(text.trimmed(), BoxIcon::Exclamation, m_zt.exeName());
        return false;
    }
}

bool Comparison::withDevice()
{
    // A block the device sent unasked before the request is no answer to it: what has
    // arrived gets the usual reaction first. Once the request is out, the answer cannot be
    // told from one sent unasked.
    Tools::DoEvents();
    m_comm.Comm_WaitForData();
    std::optional<ButtonRecord> received;
    bool caught = false;
    const ProgramFlags &flags = m_zt.flags();
    m_interpreter.setBlockCatcher([&](QByteArrayView payload) {
        caught = true;
        ButtonRecord record;
        try {
            CommInterpreter::decodeHexData(payload, flags.CountKeyCols, flags.CountKeyRows, record);
            received = record;
        } catch (const ZtError &e) {
            m_comm.report().report(LinkReport::Log, QStringLiteral("Interpret_HexData_Err"),
                                   {e.description()});
        }
    });
    // The catcher refers to this call's locals: it goes whichever way the call ends.
    struct Release {
        CommInterpreter &interpreter;
        ~Release() { interpreter.setBlockCatcher({}); }
    } release{m_interpreter};
    const QString caption = m_zt.msg().text(QStringLiteral("TransmitData_Request"));
    try {
        // The wait leaves the answer to the collector's next round: the block is caught there.
        if (m_comm.Comm_TransmitRequest(makeFrame(FrameCode::DataRequest, DataKindButtons),
                                        caption) &&
            m_comm.Comm_WaitForResponse(
                Tools::ByteToHex(FrameCode::DataBlock),
                FormatMessage(m_zt.msg().text(QStringLiteral("Comm_Waiting_For_Answer")), caption)))
            Tools::WaitUntil([&] { return caught; }, QDeadlineTimer(CatchMs));
    } catch (const std::exception &e) {
        m_comm.report().report(LinkReport::Log, QStringLiteral("Interpret_MenuCommand_Err"),
                               {describe(e)});
        return false;
    }
    if (!received)
        return false;
    compareWith(received->Buttons, BuiltInText(m_zt.msg(), "Compare_Device"));
    m_zt.StatusText({});
    return true;
}

void Comparison::compareWith(const KeyCodes &other, const QString &name)
{
    m_other = other;
    m_otherName = name;
    refresh();
}

void Comparison::refresh()
{
    if (!m_other)
        return;
    m_differences = differingKeys(m_zt.history().pagesNow().buttons, *m_other,
                                  m_zt.flags().CountKeyCols, m_zt.flags().CountKeyRows);
}

void Comparison::takeOver(const QList<int> &indexes)
{
    if (indexes.isEmpty())
        return;
    {
        const EditHistory::Scope step(m_zt.history(), EditHistory::Kind::TakeOver);
        PageState state = m_zt.history().pagesNow();
        for (const int i : indexes) {
            const KeyDifference &d = m_differences.at(i);
            state.buttons[d.key.group - 1][d.key.row - 1] = d.other;
        }
        m_zt.history().show(state);
    }
    refresh();
}
