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
