# The library for WebAssembly outside the browser, with clang and Debian's
# wasi-libc and C++ library (wasi-libc, libc++-14-dev-wasm32,
# libc++abi-14-dev-wasm32, libclang-rt-14-dev-wasm32):
#   cmake -S . -B build-wasi -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake
# Builds libquillet.a only (cmake/webassembly.cmake).
set(CMAKE_SYSTEM_NAME Generic)  # CMake knows no WASI platform of its own
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(QUILLET_WASI_TARGET wasm32-wasi)

find_program(QUILLET_WASI_CLANG NAMES clang-14 clang REQUIRED)
find_program(QUILLET_WASI_CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_C_COMPILER ${QUILLET_WASI_CLANG})
set(CMAKE_CXX_COMPILER ${QUILLET_WASI_CLANGXX})
set(CMAKE_C_COMPILER_TARGET ${QUILLET_WASI_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${QUILLET_WASI_TARGET})
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)
# Debian puts the target's headers and libraries under /usr.
set(CMAKE_SYSROOT /usr)
# No program of the target runs at configure time.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
