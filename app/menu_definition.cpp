#include "app/menu_definition.h"

#include "app/texts.h"

const MenuEntry MENU_DEFINITION[MENU_ENTRY_COUNT] = {
    {TEXT_MENU_ROOT},
    {TEXT_MENU_UNPIN},
    {TEXT_MENU_QUIT},
};
