#include "app/tray_icon.h"

#include <cstring>

os::IconHandle HeldTrayIcon = nullptr;

static uint32_t ReadU16(const uint8_t* at) { return at[0] | at[1] << 8; }
static uint32_t ReadU32(const uint8_t* at) { return ReadU16(at) | ReadU16(at + 2) << 16; }

constexpr size_t ICON_DIRECTORY_SIZE = 6;
constexpr size_t ICON_ENTRY_SIZE = 16;
constexpr uint32_t BITMAP_HEADER_SIZE = 40;

IconFileImage FindIconImage(const uint8_t* file, size_t size) {
    IconFileImage const none{nullptr, 0, 0, 0};
    if (!file || size < ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE) return none;
    if (ReadU16(file) != 0 || ReadU16(file + 2) != 1 || ReadU16(file + 4) == 0) return none;
    const uint8_t* const entry = file + ICON_DIRECTORY_SIZE;
    uint32_t const image_size = ReadU32(entry + 8);
    uint32_t const image_offset = ReadU32(entry + 12);
    // Compared without adding, so a huge offset cannot wrap into range.
    if (image_offset > size || image_size > size - image_offset) return none;
    if (image_size < BITMAP_HEADER_SIZE) return none;
    const uint8_t* const image = file + image_offset;
    // The bitmap header holds the colour and mask rows together: twice the height.
    int32_t const width = static_cast<int32_t>(ReadU32(image + 4));
    int32_t const height = static_cast<int32_t>(ReadU32(image + 8)) / 2;
    // Zero would ask for a system-metric size instead of the image's own.
    if (width <= 0 || height <= 0) return none;
    return {image, image_size, width, height};
}

os::IconHandle MakeIconFromFile(const uint8_t* file, size_t size) {
    IconFileImage const image = FindIconImage(file, size);
    if (!image.bits) return nullptr;
    os::IconHandle const icon = os::CreateIconFromResourceEx(
        image.bits, image.size, ICON_FORMAT_VERSION, image.width, image.height, 0);
    if (icon) return icon;
    return os::CreateIconFromResource(image.bits, image.size, ICON_FORMAT_VERSION);
}

void CopyTooltip(char (&tip)[64], const char* tooltip) {
    std::memset(tip, 0, sizeof tip);
    if (!tooltip) return;
    size_t length = 0;
    while (length < TRAY_TIP_MAX_BYTES && tooltip[length] != '\0') ++length;
    std::memcpy(tip, tooltip, length);
}

int32_t TrayIconChange(bool holds_icon, bool new_icon) {
    if (!holds_icon) return new_icon ? TRAY_ICON_ADD : TRAY_ICON_LEAVE;
    return new_icon ? TRAY_ICON_MODIFY : TRAY_ICON_DELETE;
}

void SetTrayIcon(os::WindowHandle window, os::IconHandle icon, const char* tooltip) {
    os::NotifyIconDataA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = os::NOTIFY_ICON_DATA_SIZE;
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    CopyTooltip(data.szTip, tooltip);
    int32_t const change = TrayIconChange(HeldTrayIcon != nullptr, icon != nullptr);
    if (change == TRAY_ICON_LEAVE) return;
    if (change == TRAY_ICON_DELETE) {
        os::Shell_NotifyIconA(os::NOTIFY_ICON_DELETE, &data);
    } else {
        data.uFlags = os::NOTIFY_ICON_MESSAGE_ICON_TIP;
        data.uCallbackMessage = TRAY_CALLBACK_MESSAGE;
        data.hIcon = icon;
        os::Shell_NotifyIconA(
            change == TRAY_ICON_ADD ? os::NOTIFY_ICON_ADD : os::NOTIFY_ICON_MODIFY, &data);
    }
    // Handing the held handle back in must not destroy the icon now shown.
    if (HeldTrayIcon && HeldTrayIcon != icon) os::DestroyIcon(HeldTrayIcon);
    HeldTrayIcon = icon;
}
