#pragma once
// The program's start-up and shutdown sequence.
#include <QStringList>

class QApplication;

namespace tirvelo {

class ProgramServices;

// Runs the whole sequence for the given parameters (without the program name)
// and returns the process exit code.
int runTirvelo(int& argc, char** argv);

// The sequence itself on an application object that already exists: binds the
// engine, checks the association, creates the windows, applies the stored
// language, shows the splash, loads the book named by the parameters and runs
// the event loop until the main window closes.
int runStartupSequence(QApplication& app, const QStringList& parameters);
// The same on services made by the caller, which it may look at afterwards.
int runStartupSequence(QApplication& app, const QStringList& parameters, ProgramServices& services);

} // namespace tirvelo
