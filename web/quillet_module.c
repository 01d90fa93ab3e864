/* The WebAssembly module of the library: everything it holds comes from
 * libquillet, kept by the exported names the build lists (the public
 * header's); this unit only gives the linker a program to start from. */
#include <quillet/quillet.h>
