#include "tests/wine/zena_version.h"

#include <windows.h>

#include <cstring>

static const char* const APP_DEFAULTS_KEY = "Software\\Wine\\AppDefaults\\zena.exe";

bool SetZenaVersion(const char* version) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, APP_DEFAULTS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG const result =
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void ForgetZenaVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, APP_DEFAULTS_KEY); }
