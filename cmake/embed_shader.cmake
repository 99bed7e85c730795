# Joins shader sections, in the order given, into one C++ string.
#   cmake -DOUT=<file.cpp> -DNAME=<variable> -DSECTIONS=<a.glsl;b.glsl;...>
#         [-DGLSL_OUT=<file.frag>] -P embed_shader.cmake
set(source "")
foreach(section IN LISTS SECTIONS)
  file(READ ${section} text)
  string(APPEND source "${text}")
endforeach()
string(FIND "${source}" ")glsl\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "shader source contains the raw-string delimiter")
endif()
file(WRITE ${OUT}.tmp "// Generated from the shader sections; edit those instead.\n#include \"shader.h\"\n\nconst char ${NAME}[] = R\"glsl(${source})glsl\";\n")
file(RENAME ${OUT}.tmp ${OUT})
if(DEFINED GLSL_OUT)
  file(WRITE ${GLSL_OUT} "${source}")
endif()
