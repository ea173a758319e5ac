# Shared compile settings and helpers for every target of the tree.

# Warnings on and clean for our own code.
add_library(vornada_warnings INTERFACE)
target_compile_options(vornada_warnings INTERFACE -Wall -Wextra -Wshadow)

add_library(vornada_options INTERFACE)
target_link_libraries(vornada_options INTERFACE vornada_warnings)
if(WIN32)
  # Unicode window functions by default; no min/max macros; Windows 7 API level at least.
  target_compile_definitions(vornada_options INTERFACE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(VORNADA_SANITIZE AND NOT WIN32)
  set(VORNADA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                              -fno-omit-frame-pointer)
  add_compile_options(${VORNADA_SANITIZER_FLAGS})
  add_link_options(${VORNADA_SANITIZER_FLAGS})
endif()

# What runs a test program: under Wine a runner that reports how a failing program ended and
# starts once more a program that Wine ended before it printed anything (scripts/wine-run.sh);
# natively nothing. Tests that run a test program with other settings use it as well.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(VORNADA_TEST_RUNNER
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_CROSSCOMPILING_EMULATOR})
else()
  set(VORNADA_TEST_RUNNER)
endif()

# vornada_test(NAME SOURCES... [LIBS ...]): one GoogleTest executable = one ctest entry
# (under Wine a warm server runs a whole binary in a fraction of a second, while every
# discovered test would pay its own start-up).
function(vornada_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT VORNADA_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        vornada_options)
  add_test(NAME ${name} COMMAND ${VORNADA_TEST_RUNNER} $<TARGET_FILE:${name}>)
  # The test learns that it does not hold the desktop lock (see vornada_desktop_lock).
  set_tests_properties(${name} PROPERTIES TIMEOUT 300
                       ENVIRONMENT_MODIFICATION "VORNADA_TEST_DESKTOP=set:shared")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  target_compile_definitions(${name} PRIVATE
    VORNADA_SOURCE_DIR="${VORNADA_TEST_SOURCE_DIR}")
endfunction()

# vornada_desktop_lock(TEST...): these tests use what every program on the desktop shares (the
# shown stage form at its fixed place, the foreground window and keyboard focus, the mouse
# pointer, windows found by screen position, the clipboard), so ctest -j runs none of them
# beside another. The test programs' support library fails a test that uses the stage or the
# pointer without this lock.
function(vornada_desktop_lock)
  if(NOT VORNADA_TESTS)
    return()
  endif()
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK desktop
                       ENVIRONMENT_MODIFICATION "VORNADA_TEST_DESKTOP=set:locked")
endfunction()

# Where the tests find their data at run time: inside the source tree only (Wine sees the Linux
# file system as drive Z:).
if(WIN32)
  set(VORNADA_TEST_SOURCE_DIR "Z:${PROJECT_SOURCE_DIR}")
else()
  set(VORNADA_TEST_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
endif()

# The fuzz targets need clang's libFuzzer in the native flavour. Asking for them anywhere else
# fails here, saying what is missing, instead of building without them.
if(VORNADA_FUZZ)
  if(WIN32)
    message(FATAL_ERROR "VORNADA_FUZZ is for the native flavour; the fuzz targets cannot be "
                        "built with the MinGW toolchain.")
  endif()
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VORNADA_FUZZ needs clang (libFuzzer); the C++ compiler is "
                        "${CMAKE_CXX_COMPILER_ID}. Configure with -DCMAKE_CXX_COMPILER=clang++.")
  endif()
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
  set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
  check_cxx_source_compiles([[
    #include <cstddef>
    #include <cstdint>
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
  ]] VORNADA_HAVE_LIBFUZZER)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(NOT VORNADA_HAVE_LIBFUZZER)
    message(FATAL_ERROR "VORNADA_FUZZ is on but clang cannot link a libFuzzer target "
                        "(-fsanitize=fuzzer). Install clang's runtime libraries (Debian: "
                        "libclang-rt-14-dev) or configure with -DVORNADA_FUZZ=OFF.")
  endif()
endif()

# vornada_fuzzer(NAME SOURCES... [INCLUDES dirs...] [LIBS libs...]): a libFuzzer target. The
# code under test is listed among SOURCES so that it is compiled with coverage instrumentation.
function(vornada_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${F_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined
                                         -fno-sanitize-recover=undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS} vornada_options)
endfunction()

# vornada_fuzz_replay(NAME SOURCES... [INCLUDES dirs...] [LIBS libs...] INPUTS dirs...): the same
# code as a fuzz target, built as an ordinary program (under the sanitizers when they are on)
# that feeds it every file of the INPUTS folders (relative to the tree): its seeds and the inputs
# it once found faults with. One ctest entry, in the native flavour with tests on.
function(vornada_fuzz_replay name)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES;LIBS;INPUTS" ${ARGN})
  if(NOT VORNADA_TESTS OR WIN32)
    return()
  endif()
  add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FuzzReplayMain.cpp)
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} vornada_options)
  set(folders)
  foreach(dir ${F_INPUTS})
    list(APPEND folders ${PROJECT_SOURCE_DIR}/${dir})
  endforeach()
  add_test(NAME ${name} COMMAND ${name} ${folders})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

