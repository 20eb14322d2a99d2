// The tool's texts are code page 936 bytes; decoding them must give back the
// Chinese text exactly, so a slip in a byte escape cannot pass.
#include <iconv.h>

#include <gtest/gtest.h>

#include <string>

#include "app/menu_definition.h"
#include "app/texts.h"

namespace {

std::string FromCp936(const std::string& bytes) {
    iconv_t const cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no CP936 converter>";
    std::string in = bytes;
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in_ptr = in.data();
    char* out_ptr = out.data();
    size_t in_left = in.size(), out_left = out.size();
    size_t const result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1)) return "<invalid CP936>";
    out.resize(out.size() - out_left);
    return out;
}

struct TextCase {
    const char* name;
    const char* stored;
    const char* expected_utf8;
};

const TextCase TEXTS[] = {
    {"menu root", TEXT_MENU_ROOT, "菜单"},
    {"unpin command", TEXT_MENU_UNPIN, "关闭当前置顶"},
    {"quit command", TEXT_MENU_QUIT, "退出程序"},
    {"tooltip", TEXT_TOOLTIP, "      砚川工坊\r\n窗口最前管理工具\r\nCtrl+F8启用"},
};

TEST(Texts, DecodeFromCodePage936ToTheirChineseText) {
    for (const TextCase& text : TEXTS)
        EXPECT_EQ(FromCp936(text.stored), text.expected_utf8) << text.name;
}

TEST(Texts, TooltipIs45BytesSoNothingIsCutAt62) {
    EXPECT_EQ(std::string(TEXT_TOOLTIP).size(), 45u);
}

TEST(Texts, MenuDefinitionIsRootThenUnpinThenQuit) {
    ASSERT_EQ(MENU_ENTRY_COUNT, 3);
    EXPECT_STREQ(MENU_DEFINITION[0].caption, TEXT_MENU_ROOT);
    EXPECT_STREQ(MENU_DEFINITION[1].caption, TEXT_MENU_UNPIN);
    EXPECT_STREQ(MENU_DEFINITION[2].caption, TEXT_MENU_QUIT);
}

}  // namespace
