#pragma once

namespace Inicio {

// Checks that both libraries load from the application directory, then opens
// the main window. Returns the exit status to end with now, or kExitWindowClosed
// when the window is up and the message loop should run.
int Main();

}  // namespace Inicio
