# Build-wide instrumentation, chosen with one option each:
#   QUILLET_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer; any
#                     finding aborts the process.
#   QUILLET_FUZZ      the same sanitizers plus libFuzzer coverage feedback in
#                     every object, and the fuzz/ targets linked with
#                     libFuzzer. Needs clang (CMAKE_CXX_COMPILER=clang++).
#   QUILLET_COVERAGE  gcc --coverage without optimisation, for tools/coverage.sh.
option(QUILLET_SANITIZE "Build everything with ASan and UBSan" OFF)
option(QUILLET_FUZZ "Build the libFuzzer targets (requires clang)" OFF)
option(QUILLET_COVERAGE "Build with gcov coverage counters" OFF)

set(QUILLET_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

if(QUILLET_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QUILLET_FUZZ=ON needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(${QUILLET_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=address,undefined)
  # clang's check of pointer arithmetic makes the processor's run loop, one
  # function of some thousand labels, take three minutes to compile instead
  # of one; its addresses are 16-bit indexes into one array, which the
  # address sanitizer still checks.
  set_property(SOURCE src/cpu/cpu_execute.cpp APPEND PROPERTY COMPILE_OPTIONS -fno-sanitize=pointer-overflow)
elseif(QUILLET_SANITIZE)
  add_compile_options(${QUILLET_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUILLET_COVERAGE)
  add_compile_options(--coverage -O0)
  add_link_options(--coverage)
endif()
