#include "link/PortMap.h"

#include "common/Tools.h"
#include "settings/INITools.h"

QString PortDevice(const QString &iniFile, int port)
{
    const QString key = QStringLiteral("COM%1").arg(port);
    const QString mapped =
        Tools::Trim(INI_ReadValue(iniFile, QStringLiteral("Ports"), key, QString()));
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return key;
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}
