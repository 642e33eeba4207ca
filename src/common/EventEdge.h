#pragma once
#include <QString>
#include <exception>

#include "common/ZtError.h"

// Runs what the event loop started (a click, a timer tick, a port notification, a
// signal, a close): a failure that would otherwise cross into Qt's event loop goes to
// report with its description instead. A report that fails in turn is dropped, so the
// program goes on either way.
template <typename Run, typename Report> void atEventEdge(Run &&run, Report &&report) noexcept
{
    QString description;
    try {
        run();
        return;
    } catch (const std::exception &e) {
        description = describe(e);
    } catch (...) {
        description = QStringLiteral("Unknown failure");
    }
    try {
        report(description);
    } catch (...) {
        // Nothing left to tell it with.
    }
}
