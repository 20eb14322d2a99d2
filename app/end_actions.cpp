#include "app/end_actions.h"

#include "platform/growable_list.h"

static GrowableList<EndAction> g_end_actions;

void AddEndAction(EndAction action) { Append(g_end_actions, action); }

void RunEndActions() {
    for (size_t i = 0; i < g_end_actions.count; ++i) g_end_actions.items[i]();
    Release(g_end_actions);
}
