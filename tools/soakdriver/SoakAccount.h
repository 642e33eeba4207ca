#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Reading what a soak run left behind: the simulator's printout, the program's log and the
// memory samples. Kept apart from the run itself so the counting can be checked on its own.

// One line of the simulator's standard output ("hh:mm:ss.zzz out 80 | ...").
struct SimEvent {
    enum Kind { Other, Out, In, Problem };
    Kind kind = Other;
    int code = -1; // first byte shown after the direction, -1 when there is none
};
SimEvent parseSimLine(const QString &line);

// What one exchange came to, from the simulator lines printed between its start and the
// start of the next exchange.
struct ExchangeTally {
    int sent = 0;       // lines of bytes the simulator wrote for the request (acks excluded)
    int answers = 0;    // frames received with the expected answer code
    int unexpected = 0; // frames received with any other code
    int problems = 0;   // lines where the simulator reports dropped or broken input
};
// answerCode -1: no answer is due, every received frame is unexpected.
ExchangeTally tallyExchange(const QStringList &simLines, int answerCode);

// The text of every entry line of a log file ("<time> >  <text>"); markers are no entries.
QStringList logEntries(const QString &logText);
// Entries that show a catalogue text, each "&" place standing for any text. Leading and
// trailing blanks do not count.
int countEntries(const QStringList &entries, const QString &catalogueText);

// VmRSS of a /proc/PID/status text in kB, -1 when missing.
qint64 vmRssKb(const QString &statusText);

struct MemorySample {
    double seconds = 0; // since the program started
    qint64 kb = 0;
};
struct MemoryGrowth {
    double baselineAt = -1; // seconds of the baseline sample, -1 when no sample is late enough
    qint64 baselineKb = -1;
    qint64 peakAfterKb = -1; // highest sample after the baseline (the baseline when none)
    qint64 lastKb = -1;
};
// The baseline is the first sample at or after baselineSeconds.
MemoryGrowth memoryGrowth(const QList<MemorySample> &samples, double baselineSeconds);
