// The tool's own texts, stored as code page 936 bytes for the ANSI entry
// points. Each line's comment is the text as a reader sees it.
#pragma once

constexpr char TEXT_MENU_ROOT[] = "\xb2\xcb\xb5\xa5";  // 菜单
constexpr char TEXT_MENU_UNPIN[] =
    "\xb9\xd8\xb1\xd5\xb5\xb1\xc7\xb0\xd6\xc3\xb6\xa5";                // 关闭当前置顶
constexpr char TEXT_MENU_QUIT[] = "\xcd\xcb\xb3\xf6\xb3\xcc\xd0\xf2";  // 退出程序
// "      砚川工坊" CR LF "窗口最前管理工具" CR LF "Ctrl+F8启用": 45 bytes.
constexpr char TEXT_TOOLTIP[] =
    "      \xd1\xe2\xb4\xa8\xb9\xa4\xb7\xbb\r\n"
    "\xb4\xb0\xbf\xda\xd7\xee\xc7\xb0\xb9\xdc\xc0\xed\xb9\xa4\xbe\xdf\r\n"
    "Ctrl+F8\xc6\xf4\xd3\xc3";
