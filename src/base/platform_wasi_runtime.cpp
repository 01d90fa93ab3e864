// The two entry points of the C++ exception runtime that a WebAssembly
// program for WASI lacks: Debian's C++ runtime for wasm32-wasi is built
// without exceptions, so the library's throws (running out of memory,
// where a container grows) have nothing to reach. Here a throw ends the
// program with a message, as code built without exceptions does when an
// allocation fails; everywhere else the library catches it and returns a
// code. Built only for wasm32-wasi (cmake/webassembly.cmake).
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" {

void* __cxa_allocate_exception(std::size_t size) noexcept {
    void* memory = std::malloc(size ? size : 1);
    if (!memory) std::abort();
    return memory;
}

[[noreturn]] void __cxa_throw(void*, void*, void (*)(void*)) {
    std::fputs("libquillet: out of memory (this C++ runtime cannot report it)\n", stderr);
    std::abort();
}

}  // extern "C"
