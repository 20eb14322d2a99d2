// Image files compiled into the program as bytes.
#pragma once

// The tool icon as a complete icon file: one 64 x 64, 32 bpp entry.
constexpr unsigned TOOL_ICON_FILE_SIZE = 16958;
extern const unsigned char TOOL_ICON_FILE[TOOL_ICON_FILE_SIZE];
