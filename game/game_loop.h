// The program's spine as callable pieces: start-up, one pass of the frame loop and the
// end, so that the program runs them in a loop and tests can drive it frame by frame.
#pragma once

// Start-up up to the loop: 0 run the loop; 1 the first message pass asked to end (skip
// the loop, then end); -1 the engine or its back buffer could not be had.
int GameStartUp();
// One frame: 0 go on; 1 the loop is left (Escape, window closed, engine ended, failed clear).
int RunOneFrame();
// Ends the engine (harmless when it has ended already).
void GameShutDown();
// The whole program: the process's result.
int RunTrelligan();
