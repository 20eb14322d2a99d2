#include "app/end_actions.h"

#include <vector>

static std::vector<EndAction> g_end_actions;

void AddEndAction(EndAction action) { g_end_actions.push_back(action); }

void RunEndActions() {
    for (EndAction action : g_end_actions) action();
    g_end_actions.clear();
}
