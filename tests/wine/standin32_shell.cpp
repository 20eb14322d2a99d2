// The 32-bit stand-in shell, for a 32-bit prefix: see standin_shell.h.
#include "tests/wine/standin_shell.h"

int main(int argc, char** argv) { return RunStandinShell(argc, argv); }
