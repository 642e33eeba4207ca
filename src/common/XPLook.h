#pragma once
#include <QString>

// Module XPLook: the visual style of the platform.
namespace XPLook {

// The name of a Windows version record (platform id, major, minor); empty when unlisted.
QString WindowsVersionName(int platformId, int major, int minor);
// The running Windows version by that table; empty on other systems.
QString GetWindowsVersion();
bool IsWindowsXP();
// On Windows XP, switches the common controls to their themed version; elsewhere nothing.
void InitXPLook();
// Whether the desktop draws themed controls; false wherever that cannot be asked.
bool IsThemeActiveSafe();

} // namespace XPLook
