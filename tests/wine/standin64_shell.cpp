// The 64-bit stand-in shell: see standin_shell.h.
#include "tests/wine/standin_shell.h"

int main(int argc, char** argv) { return RunStandinShell(argc, argv); }
