// shader.h - the show's one fragment program, joined from the sections in
// shader/ at build time.
#pragma once

// The whole program, entry point included.
extern const char shaderSource[];
// The program without its entry point, for test programs that append their own.
extern const char shaderFunctions[];
