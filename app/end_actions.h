// Procedures run once each, in registration order, after the message loop.
#pragma once

using EndAction = void (*)();

void AddEndAction(EndAction action);
void RunEndActions();
