#pragma once
// The program's start-up and shutdown sequence.

namespace tirvelo {

// Runs the whole sequence for the given parameters (without the program name)
// and returns the process exit code.
int runTirvelo(int& argc, char** argv);

} // namespace tirvelo
