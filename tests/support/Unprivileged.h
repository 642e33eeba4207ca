#pragma once
#include <QString>
#include <QTest>

// A case that needs an ordinary user's limits (a folder it may not write, a device it may not
// open) cannot have them as root, the suite's user in CI, whatever the file system. There the
// case runs again in a child process as `nobody`: a copy of this test program, this function
// and row only. ZT_AS_ORDINARY_USER() at the top of such a case does that and ends the case
// with the child's verdict; for an ordinary user it does nothing and the case goes on.
namespace Unprivileged {
enum class Outcome { NotRoot, Passed, Failed, Impossible };
// why: the child's output when it failed, or why no child could run the case.
Outcome rerunCurrentCase(QString &why);
} // namespace Unprivileged

#define ZT_AS_ORDINARY_USER()                                                                      \
    do {                                                                                           \
        QString why_;                                                                              \
        switch (Unprivileged::rerunCurrentCase(why_)) {                                            \
        case Unprivileged::Outcome::NotRoot:                                                       \
            break;                                                                                 \
        case Unprivileged::Outcome::Passed:                                                        \
            return;                                                                                \
        case Unprivileged::Outcome::Failed:                                                        \
            QFAIL(qPrintable(why_));                                                               \
        case Unprivileged::Outcome::Impossible:                                                    \
            QSKIP(qPrintable(why_));                                                               \
        }                                                                                          \
    } while (false)
