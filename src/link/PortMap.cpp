#include "link/PortMap.h"

#include "settings/INITools.h"

QString PortDevice(const QString &iniFile, int port)
{
    const QString key = QStringLiteral("COM%1").arg(port);
    const QString mapped =
        INI_ReadValue(iniFile, QStringLiteral("Ports"), key, QString()).trimmed();
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return key;
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}
