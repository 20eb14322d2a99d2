// The tray menu's definition: the root, then its items in order. A command
// identifier is MENU_COMMAND_BASE plus the position, the root counting as 0.
#pragma once

#include <cstdint>

constexpr int32_t MENU_COMMAND_BASE = 20000;

using MenuHandler = void (*)();

struct MenuEntry {
    const char* caption;  // code page 936
    MenuHandler handler;  // null for the root
};

constexpr int32_t MENU_ENTRY_COUNT = 3;
extern const MenuEntry MENU_DEFINITION[MENU_ENTRY_COUNT];
