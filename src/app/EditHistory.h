#pragma once
#include <QString>
#include <QUndoStack>
#include <optional>

#include "data/DataSet.h"

class ZtTools;

// What the operator edits on the pages: the codes, the ACU version, the CAN address.
struct PageState {
    decltype(ButtonRecord::Buttons) buttons{};
    FixedText<4> acuVersion;
    qint16 canBusAddr = 0;
    bool operator==(const PageState &) const = default;
};

// One history of the pages for the whole run. Every change of the pages ends in commit(),
// which makes it one step when the pages differ from the step before; undo and redo put
// a step's pages back. Changes nobody should undo (the ACU version the device sends) are
// taken in by sync(). Before start() (start-up, test rigs) nothing is recorded and the
// pages are not read.
class EditHistory {
public:
    explicit EditHistory(ZtTools &zt);
    EditHistory(const EditHistory &) = delete;
    EditHistory &operator=(const EditHistory &) = delete;

    QUndoStack &stack() { return m_stack; }
    // The pages as they are now are where the history begins.
    void start();
    bool started() const { return m_current.has_value(); }

    enum class Kind { Edit, Typing, Reset, TakeOver, Load, DataBlock };
    // The pages as they are now become a step when they changed. An Edit is named by what
    // it changed (a code, the CAN address); Typing steps in a row become one.
    void commit(Kind kind = Kind::Edit);
    void sync();

    // Several changes that make one step (a load resets first, then reads): the outermost
    // scope commits as it ends, the inner ones do nothing.
    class Scope {
    public:
        Scope(EditHistory &history, Kind kind);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        EditHistory &m_history;
        Kind m_kind;
    };

    PageState pagesNow();
    // Shows the state on the pages; the rest of the data set stays.
    void show(const PageState &state);

private:
    friend class PageStep;
    QString stepText(Kind kind, const PageState &before, const PageState &after);

    ZtTools &m_zt;
    QUndoStack m_stack;
    std::optional<PageState> m_current;
    int m_depth = 0;
};
