#include "app/EditHistory.h"

#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "settings/BuiltInTexts.h"

// One step: the pages before and after. Pushed once the change is on the pages, so its
// first redo does nothing.
class PageStep : public QUndoCommand {
public:
    PageStep(EditHistory &history, const QString &text, const PageState &before,
             const PageState &after, bool typing)
        : QUndoCommand(text), m_history(history), m_before(before), m_after(after), m_typing(typing)
    {
    }
    int id() const override { return m_typing ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        m_after = static_cast<const PageStep *>(other)->m_after;
        return true;
    }
    void undo() override { put(m_before, "Undo_Done"); }
    void redo() override
    {
        if (m_pushed)
            put(m_after, "Redo_Done");
        m_pushed = true;
    }

private:
    void put(const PageState &state, const char *report)
    {
        m_history.show(state);
        m_history.m_current = state;
        m_history.m_zt.StatusText(QStringLiteral("  ") +
                                  FormatMessage(BuiltInText(m_history.m_zt.msg(), report), text()));
    }

    EditHistory &m_history;
    PageState m_before;
    PageState m_after;
    bool m_typing;
    bool m_pushed = false;
};

EditHistory::EditHistory(ZtTools &zt) : m_zt(zt) {}

void EditHistory::start()
{
    m_stack.clear();
    m_current = pagesNow();
}

PageState EditHistory::pagesNow()
{
    DataSet kept = m_zt.data();
    m_zt.pages().DataSet_FromPages();
    const DataSet &d = m_zt.data();
    PageState state{d.DataRecord.Buttons, d.ACUVersion, d.CanBusAddr};
    m_zt.data() = std::move(kept);
    return state;
}

void EditHistory::show(const PageState &state)
{
    DataSet &d = m_zt.data();
    m_zt.pages().DataSet_FromPages();
    d.DataRecord.Buttons = state.buttons;
    d.ACUVersion = state.acuVersion;
    d.CanBusAddr = state.canBusAddr;
    m_zt.pages().DataSet_ToPages();
}

void EditHistory::commit(Kind kind)
{
    if (!m_current || m_depth > 0)
        return;
    const PageState now = pagesNow();
    if (now == *m_current)
        return;
    const PageState before = *m_current;
    m_current = now;
    m_stack.push(
        new PageStep(*this, stepText(kind, before, now), before, now, kind == Kind::Typing));
}

void EditHistory::sync()
{
    if (m_current && m_depth == 0)
        m_current = pagesNow();
}

QString EditHistory::stepText(Kind kind, const PageState &before, const PageState &after)
{
    const char *key = "Undo_Code";
    switch (kind) {
    case Kind::Edit:
        key = before.buttons != after.buttons         ? "Undo_Code"
              : before.canBusAddr != after.canBusAddr ? "Undo_CanBus"
                                                      : "Undo_AcuVersion";
        break;
    case Kind::Typing:
        key = "Undo_AcuVersion";
        break;
    case Kind::Reset:
        key = "Undo_Reset";
        break;
    case Kind::TakeOver:
        key = "Undo_TakeOver";
        break;
    case Kind::Load:
        key = "Undo_Load";
        break;
    case Kind::DataBlock:
        key = "Undo_DataBlock";
        break;
    }
    return BuiltInText(m_zt.msg(), key);
}

EditHistory::Scope::Scope(EditHistory &history, Kind kind) : m_history(history), m_kind(kind)
{
    ++m_history.m_depth;
}

EditHistory::Scope::~Scope()
{
    if (--m_history.m_depth == 0)
        m_history.commit(m_kind);
}
