# WebAssembly: emscripten (the web page) or clang for wasm32-wasi.
#
# The library reports running out of memory as a code, by catching
# std::bad_alloc where a container grows. Emscripten leaves exceptions off
# by default (a throw aborts, a catch never runs): the library and
# everything linked with it use WebAssembly's own exception handling, which
# costs nothing until something throws (web/test checks that a machine made
# with too little memory gives -2). Debian's C++ runtime for wasm32-wasi is
# built without exceptions: there the library brings the two entry points
# its throws call (src/base/platform_wasi_runtime.cpp), and running out of
# memory ends the program with a message instead of giving a code, as code
# built without exceptions does.
set(QUILLET_WEBASSEMBLY OFF)
set(QUILLET_WASI OFF)
if(EMSCRIPTEN)
  set(QUILLET_WEBASSEMBLY ON)
  add_compile_options(-fwasm-exceptions)
  add_link_options(-fwasm-exceptions)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
  set(QUILLET_WEBASSEMBLY ON)
  set(QUILLET_WASI ON)
endif()
