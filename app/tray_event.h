// Tray event codes, from the mouse message the tray callback carries.
#pragma once

#include <cstdint>

constexpr int32_t TRAY_EVENT_NONE = 0;
constexpr int32_t TRAY_EVENT_LEFT_UP = 1;
constexpr int32_t TRAY_EVENT_LEFT_DOUBLE_CLICK = 2;
constexpr int32_t TRAY_EVENT_MENU = 3;  // right button released, or a context-menu request

int32_t TrayEventFromMouseMessage(uint32_t mouse_message);
