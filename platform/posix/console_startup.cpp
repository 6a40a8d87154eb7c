// The program's standard output shows the engine's CP932 text in the terminal's character
// set from before main on. Linked only into programs that ask for this object by its symbol
// (the game does); test programs keep the C library's own standard output.
#include "platform/console_text.h"

extern "C" {
extern const int vomur_console_standard_output;
const int vomur_console_standard_output = InstallConsoleStandardOutput() ? 1 : 0;
}
