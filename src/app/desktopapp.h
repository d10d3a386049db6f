#pragma once

// Starts the desktop application and runs its event loop; returns the exit code.
int runDesktopApp(int &argc, char **argv);
