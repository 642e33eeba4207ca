#pragma once
#include <QStringList>

// ztcfg fleet backup | check | restore: many devices side by side, each exchange on a
// thread of its own. arguments are the whole command line; returns the exit code.
int FleetMain(const QStringList &arguments);

// The help text of the fleet commands.
extern const char *const FleetHelp;
