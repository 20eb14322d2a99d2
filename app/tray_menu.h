// The tray menu: the popup shown on a right click, and the dispatch of the
// command it sends back. Free of <windows.h>.
#pragma once

#include <cstdint>

#include "platform/os_types.h"

// Identifiers from here up belong to framework and system commands, never to the definition.
constexpr uint32_t SYSTEM_COMMAND_FIRST = 0xE100;
constexpr int32_t TRAY_MENU_OFFSET = 5;  // pixels left of and above the pointer

// The definition's position a WM_COMMAND identifier selects, or -1.
int32_t MenuCommandPosition(uint32_t command_id);
// Runs the handler the identifier (low 16 bits of WM_COMMAND's wparam) selects, if any.
void RunMenuCommand(uintptr_t wparam);

// Builds, tracks and destroys the popup, owned by window.
void ShowTrayMenu(os::WindowHandle window);
