// The Windows version Wine reports to zena.exe, set per executable in the
// prefix's registry: HKCU\Software\Wine\AppDefaults\zena.exe "Version"
// (win7, winxp, win10, ...). It is also what zena's process environment
// block says, so it decides which toolbars the exit sweep touches.
#pragma once

bool SetZenaVersion(const char* version);
void ForgetZenaVersion();
