#pragma once

// The whole life of the program: the single-instance guard, the blocking
// window check, the three windows and the event loop. Returns the exit code.
int runBrelo(int argc, char **argv);
