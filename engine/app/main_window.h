// The main window's start-up and end: the system block reset that keeps the settings
// made before start-up, the machine measurements, the second-copy check, the window
// class and window for window or full-screen mode, and undoing all of it.
#pragma once

int InitializeMainWindow();
int TerminateMainWindow();
