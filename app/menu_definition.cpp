#include "app/menu_definition.h"

#include "app/host_close.h"
#include "app/texts.h"
#include "pin/pin.h"

const MenuEntry MENU_DEFINITION[MENU_ENTRY_COUNT] = {
    {TEXT_MENU_ROOT, nullptr},
    {TEXT_MENU_UNPIN, UnpinLastWindow},
    {TEXT_MENU_QUIT, CloseHostWindow},
};
