#pragma once
#include <QString>
#include <QStringList>

// What a ztcfg command prints, kept for its caller instead.
struct CommandOutput {
    QString out; // standard output: a --json result, a listing
    QString err; // standard error: its messages, one a line
    // The data file a command would write (receive), kept here instead: the caller decides
    // where it goes.
    QByteArray file;
};

// One ztcfg command line (arguments[0] is the program) as the program runs it, with its
// own core; returns the exit code. With output, nothing is printed and a device's end of
// the program ends only this command: the fleet runs one per device on a thread of its own.
int RunCommand(const QStringList &arguments, CommandOutput *output);
