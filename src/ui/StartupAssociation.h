#pragma once
// Start-up's links to the file-type association and the input-level dialog.
namespace tirvelo {

class TFormPrincipal;

// Run only when the program was started without parameters: registers the
// program for book files, asking first when another program holds them.
void checkBookAssociationAtStartup();

// Creates the input-level dialog (second of the three windows) and wires it to
// the main window; detachLevelDialog destroys it at the end, which closes the
// audio capture and frees its buffers.
void attachLevelDialog(TFormPrincipal& mainWindow);
void detachLevelDialog();

} // namespace tirvelo
