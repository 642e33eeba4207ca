#pragma once
#include <QString>

// The device behind a port number 1..16: section "Ports" of the settings file maps
// "COMn" to a device; without an entry COMn is /dev/ttyS(n-1) (Linux) or COMn (Windows).
QString PortDevice(const QString &iniFile, int port);
