#include "tool/run_state.h"

int main() { fendrix::ConsoleRun(); }
