# The portable GIF codec core (gif_core), its tests, its libFuzzer target and its benchmark.
# Included from pictures/CMakeLists.txt; builds in both flavours (native and MinGW).

set(GIF_CORE_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/gif/GifBitmap.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gif/GifCompose.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gif/GifLzw.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gif/GifPicture.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/gif/GifTypes.cpp
)

add_library(gif_core STATIC ${GIF_CORE_SOURCES})
# Consumers include "gif/GifPicture.h" and so on.
target_include_directories(gif_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(gif_core PUBLIC bmp_file PRIVATE vornada_options)

set(GIF_TEST_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests/gif)

# Portable tests: run natively and under Wine.
vornada_test(gif_core_test
  SOURCES
    ${GIF_TEST_DIR}/GifTestSupport.cpp
    ${GIF_TEST_DIR}/gif_read_test.cpp
    ${GIF_TEST_DIR}/gif_decode_test.cpp
    ${GIF_TEST_DIR}/gif_write_test.cpp
    ${GIF_TEST_DIR}/gif_compose_test.cpp
    ${GIF_TEST_DIR}/gif_regress_test.cpp
    ${GIF_TEST_DIR}/gif_memory_test.cpp
  LIBS gif_core vornada_test_support_core
  LABELS gif)

# Native only: every fixture decoded by giflib as the independent reference, and our output
# read back by giflib.
if(NOT WIN32 AND VORNADA_TESTS AND VORNADA_REFERENCE_TESTS)
  find_library(GIFLIB_LIBRARY gif)
  find_path(GIFLIB_INCLUDE_DIR gif_lib.h)
  if(NOT GIFLIB_LIBRARY OR NOT GIFLIB_INCLUDE_DIR)
    message(FATAL_ERROR "The GIF reference test needs giflib (Debian: libgif-dev); install it "
                        "or configure with -DVORNADA_REFERENCE_TESTS=OFF.")
  endif()
  vornada_test(gif_giflib_test
    SOURCES
      ${GIF_TEST_DIR}/GifTestSupport.cpp
      ${GIF_TEST_DIR}/gif_giflib_test.cpp
    LIBS gif_core ${GIFLIB_LIBRARY} vornada_test_support_core
    LABELS gif)
  target_include_directories(gif_giflib_test PRIVATE ${GIFLIB_INCLUDE_DIR})
endif()

# libFuzzer target: the core (and the bitmap-file code its frames are written with) is compiled
# into it with coverage instrumentation.
if(VORNADA_FUZZ)
  vornada_fuzzer(gif_read_fuzzer
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/gif_read_fuzzer.cpp ${GIF_CORE_SOURCES}
            ${VORNADA_BMP_FILE_SOURCES}
    INCLUDES ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/framework)
endif()

# Benchmark against giflib (native, Release).
if(VORNADA_BENCH AND NOT WIN32)
  find_package(benchmark REQUIRED)
  find_library(GIFLIB_BENCH_LIBRARY gif REQUIRED)
  add_executable(gif_bench ${CMAKE_CURRENT_SOURCE_DIR}/bench/gif_bench.cpp)
  target_link_libraries(gif_bench PRIVATE gif_core ${GIFLIB_BENCH_LIBRARY} benchmark::benchmark
                                          vornada_options)
endif()
