// The program entry: no arguments; the run ends inside the closing screen.
#include "framework/startup.h"

int main() { RunProgram(); }
