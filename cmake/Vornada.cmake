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
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  target_compile_definitions(${name} PRIVATE
    VORNADA_SOURCE_DIR="${VORNADA_TEST_SOURCE_DIR}")
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

