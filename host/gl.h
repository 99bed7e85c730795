// gl.h - OpenGL 1.1 declarations plus the types of the later entry points,
// which the show only ever reaches through gl_proc().
#pragma once
#if defined(_WIN32)
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glext.h>
