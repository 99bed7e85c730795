// Entry point of the Linux show. It reads no arguments.
#include "intro.h"

int main() { return intro_main(); }
