// render.h - what the commands of intro-render share.
#pragma once

// Prints "intro-render: <what><detail>" as one line; returns the exit
// status of a refused command line (2).
int usage_error(const char *what, const char *detail = "");
// Parses a finite decimal number that fills the whole argument.
int parse_number(const char *text, double *value);
// Renders the song into MusBuf, as the show does before its first frame.
void render_song();
// Sets up the windowless context and the show's program, as the show does.
// Returns 0 with a message on stderr on failure.
int render_init();

// intro-render bench: the cost of each pass of one frame.
int command_bench(int argc, char **argv);
