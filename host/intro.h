// intro.h - the life of the show: start-up, frame loop, exit.
//
// The platform's entry point (main or WinMain) returns intro_main().
#pragma once

// Runs the show until Escape or close. Returns the process's exit status:
// 0 after a normal end, 1 when the window or the OpenGL entry points could
// not be set up.
int intro_main();
