#include "common/XPLook.h"

#include <QtGlobal>
#ifdef Q_OS_WIN
#include <QLibrary>
#include <QOperatingSystemVersion>
#endif

namespace XPLook {

QString WindowsVersionName(int platformId, int major, int minor)
{
    switch (platformId) {
    case 0:
        return QStringLiteral("Win32s für Windows 3.x");
    case 1:
        switch (minor) {
        case 0:
            return QStringLiteral("Windows 95");
        case 10:
            return QStringLiteral("Windows 98");
        case 90:
            return QStringLiteral("Windows Me");
        }
        return {};
    case 2:
        if (major == 3)
            return QStringLiteral("Windows NT 3.") + QString::number(minor);
        if (major == 4)
            return QStringLiteral("Windows NT 4.0");
        if (major == 5 && minor == 0)
            return QStringLiteral("Windows 2000");
        if (major == 5 && minor == 1)
            return QStringLiteral("Windows XP");
        if (major >= 6)
            return QStringLiteral("Windows NT / Folgeversion");
        return {};
    }
    return {};
}

QString GetWindowsVersion()
{
#ifdef Q_OS_WIN
    // Every Windows that runs this program is of the NT line (platform id 2).
    const QOperatingSystemVersion v = QOperatingSystemVersion::current();
    return WindowsVersionName(2, v.majorVersion(), v.minorVersion());
#else
    return {};
#endif
}

bool IsWindowsXP()
{
    return GetWindowsVersion().toUpper() == QLatin1String("WINDOWS XP");
}

void InitXPLook()
{
#ifdef Q_OS_WIN
    if (!IsWindowsXP())
        return;
    // Looked up at run time, so the program needs no import of the common controls.
    struct InitCommonControlsExArgs {
        quint32 dwSize;
        quint32 dwICC;
    } args{8, 0};
    using Init = int(__stdcall *)(const InitCommonControlsExArgs *);
    if (auto init = reinterpret_cast<Init>(
            QLibrary::resolve(QStringLiteral("comctl32"), "InitCommonControlsEx")))
        init(&args);
#endif
}

bool IsThemeActiveSafe()
{
#ifdef Q_OS_WIN
    using IsThemeActive = int(__stdcall *)();
    if (auto active = reinterpret_cast<IsThemeActive>(
            QLibrary::resolve(QStringLiteral("uxtheme"), "IsThemeActive")))
        return active() != 0;
#endif
    return false;
}

} // namespace XPLook
