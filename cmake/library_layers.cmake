# libquillet in layers. Each layer is an object library whose headers are
# reachable only through its own include folder in the build tree
# (layers/NAME/NAME, a link to src/NAME), which it hands on to the layers
# linked above it: a layer sees itself and the layers below, so an include
# that points up fails to compile. The objects are compiled once and make
# both the static and the shared library. A new layer goes between the
# ones it builds on and those that build on it.
set(QUILLET_LAYERS_DIR ${PROJECT_BINARY_DIR}/layers)

# quillet_layer(NAME SOURCES... [BELOW LAYER...])
function(quillet_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;BELOW" ${ARGN})
  add_library(quillet_${name} OBJECT ${LAYER_SOURCES})
  file(MAKE_DIRECTORY ${QUILLET_LAYERS_DIR}/${name})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${QUILLET_LAYERS_DIR}/${name}/${name} SYMBOLIC)
  target_include_directories(quillet_${name} PUBLIC ${QUILLET_LAYERS_DIR}/${name} ${PROJECT_SOURCE_DIR}/include)
  foreach(below IN LISTS LAYER_BELOW)
    target_link_libraries(quillet_${name} PUBLIC quillet_${below})
  endforeach()
  # The objects serve the shared library too: position independent, only
  # the interface visible, and its functions marked for export.
  set_target_properties(quillet_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(quillet_${name} PRIVATE QUILLET_BUILDING_LIBRARY QUILLET_SHARED_LIBRARY)
  set_property(GLOBAL APPEND PROPERTY QUILLET_LAYER_OBJECTS $<TARGET_OBJECTS:quillet_${name}>)
endfunction()

quillet_layer(base SOURCES
  src/base/buffer.cpp
  src/base/failure.cpp
  src/base/file_access.cpp
  src/base/file_status_${QUILLET_PLATFORM}.cpp
  src/base/platform_${QUILLET_PLATFORM}.cpp
  src/base/platform_output.cpp
  src/base/temporary_name.cpp
  src/base/wav_file.cpp
  $<$<BOOL:${QUILLET_WASI}>:${PROJECT_SOURCE_DIR}/src/base/platform_wasi_runtime.cpp>)
quillet_layer(snapshot BELOW base SOURCES
  src/snapshot/block_codec.cpp
  src/snapshot/header_settings.cpp
  src/snapshot/snapshot.cpp
  src/snapshot/snapshot_format.cpp
  src/snapshot/snapshot_reader.cpp
  src/snapshot/snapshot_writer.cpp)
quillet_layer(image BELOW snapshot SOURCES
  src/image/address_space.cpp
  src/image/memory_loading.cpp)
# The 8080 knows nothing of snapshots: it builds on no other layer.
quillet_layer(cpu SOURCES
  src/cpu/cpu8080.cpp
  src/cpu/cpu_cells.cpp
  src/cpu/cpu_execute.cpp
  src/cpu/disassembler.cpp)
# The instruction loop is the hot path of every run: -O2 lays it out better
# than -O3, measured on 8080EXM (bench/README.md), in every build type.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU")
  set_source_files_properties(src/cpu/cpu_execute.cpp PROPERTIES COMPILE_OPTIONS -O2)
  # A memory map switch copies its regions in vector code at -O2 too: 16 KB
  # in and out in about 1 us instead of 6 (bench/README.md).
  set_source_files_properties(src/cpu/cpu_cells.cpp PROPERTIES COMPILE_OPTIONS -fvect-cost-model=dynamic)
endif()
# Tapes: images and the signal; the machine plays them, snapshots are
# built from them above.
quillet_layer(tape BELOW base SOURCES
  src/tape/tape_format.cpp
  src/tape/tape_image.cpp
  src/tape/tape_signal.cpp)
# The screen as the video memory holds it, compared pixel by pixel: bytes
# in, no other layer needed.
quillet_layer(video SOURCES
  src/video/screen_compare.cpp)
# The PMD 85 over the 8080: memory maps, devices, timing, snapshots in and
# out; its keyboard, the screen's text and the speaker's sound.
quillet_layer(machine BELOW snapshot cpu tape video SOURCES
  src/machine/block_reader.cpp
  src/machine/key_script.cpp
  src/machine/keyboard.cpp
  src/machine/keyboard_layout.cpp
  src/machine/known_monitors.cpp
  src/machine/machine.cpp
  src/machine/machine_model.cpp
  src/machine/machine_snapshot.cpp
  src/machine/machine_state.cpp
  src/machine/memory_map.cpp
  src/machine/pio8255.cpp
  src/machine/ports.cpp
  src/machine/routine_call.cpp
  src/machine/screen_picture.cpp
  src/machine/screen_text.cpp
  src/machine/speaker.cpp
  src/machine/tape_recording.cpp
  src/machine/pulse_tape_out.cpp
  src/machine/tape_input.cpp
  src/machine/usart8251.cpp
  src/machine/timer8253.cpp)
quillet_layer(capi BELOW image machine tape video SOURCES
  src/capi/arguments.cpp
  src/capi/failure_record.cpp
  src/capi/quillet.cpp
  src/capi/quillet_cpu.cpp
  src/capi/quillet_screen.cpp
  src/capi/quillet_screen_picture.cpp
  src/capi/quillet_machine.cpp
  src/capi/quillet_machine_watch.cpp
  src/capi/quillet_tape.cpp
  src/capi/quillet_wav_output.cpp)
get_property(QUILLET_LIBRARY_OBJECTS GLOBAL PROPERTY QUILLET_LAYER_OBJECTS)

# Both forms of the library offer the public header only.
function(quillet_library_target target)
  target_include_directories(${target}
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME quillet)
endfunction()

add_library(quillet_static STATIC ${QUILLET_LIBRARY_OBJECTS})
quillet_library_target(quillet_static)
# The static library holds C++ code: a program of the installed package that
# links it with a C compiler (project(x C)) needs the C++ runtime as well,
# which the C compiler's driver does not add. The programs of this build
# link theirs as they choose (statically).
target_link_libraries(quillet_static INTERFACE $<INSTALL_INTERFACE:stdc++> $<INSTALL_INTERFACE:m>)

# The shared library exports the public interface and nothing else. A
# platform without shared libraries (WebAssembly) has the static one only:
# two targets of one output name would be two rules for one file.
get_property(QUILLET_SHARED_LIBS GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS)
if(QUILLET_SHARED_LIBS)
  add_library(quillet_shared SHARED ${QUILLET_LIBRARY_OBJECTS})
  quillet_library_target(quillet_shared)
  target_compile_definitions(quillet_shared INTERFACE QUILLET_SHARED_LIBRARY)
  set_target_properties(quillet_shared PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    target_link_options(quillet_shared PRIVATE "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/quillet.map")
    set_property(TARGET quillet_shared APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/quillet.map)
    # Every symbol resolved within the library and what it links; clang's
    # sanitizers leave their runtime to the program, so not with those.
    if(NOT (CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND (QUILLET_SANITIZE OR QUILLET_FUZZ)))
      target_link_options(quillet_shared PRIVATE "LINKER:--no-undefined")
    endif()
  endif()
endif()

# The library's inside, for the tests, the fuzz targets and the benchmark
# only: every layer's headers (src/) over the static library.
add_library(quillet_internal INTERFACE)
target_include_directories(quillet_internal INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(quillet_internal INTERFACE quillet_static)
