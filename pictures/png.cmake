# The portable PNG codec core (png_core), its tests, its libFuzzer target and its benchmark.
# Included from pictures/CMakeLists.txt; builds in both flavours (native and MinGW).

set(PNG_CORE_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngBlend.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngChecksum.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngChunks.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngErrors.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngFilters.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngImageData.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngPicture.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngRows.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngStore.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/png/PngStreams.cpp
)

add_library(png_core STATIC ${PNG_CORE_SOURCES})
# Consumers include "png/PngPicture.h" and so on.
target_include_directories(png_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(png_core PUBLIC ZLIB::ZLIB PRIVATE vornada_options)

set(PNG_TEST_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests/png)

# Portable tests: run natively and under Wine.
vornada_test(png_core_test
  SOURCES
    ${PNG_TEST_DIR}/PngTestSupport.cpp
    ${PNG_TEST_DIR}/png_load_test.cpp
    ${PNG_TEST_DIR}/png_save_test.cpp
    ${PNG_TEST_DIR}/png_picture_test.cpp
    ${PNG_TEST_DIR}/png_blend_test.cpp
    ${PNG_TEST_DIR}/png_rows_test.cpp
    ${PNG_TEST_DIR}/png_regression_test.cpp
    ${PNG_TEST_DIR}/png_memory_test.cpp
  LIBS png_core vornada_test_support_core
  LABELS png)

# Native only: decoding compared with libpng, and our output read back by libpng.
if(NOT WIN32 AND VORNADA_TESTS AND VORNADA_REFERENCE_TESTS)
  find_package(PNG)
  if(NOT PNG_FOUND)
    message(FATAL_ERROR "The PNG reference test needs libpng (Debian: libpng-dev); install it "
                        "or configure with -DVORNADA_REFERENCE_TESTS=OFF.")
  endif()
  vornada_test(png_reference_test
    SOURCES
      ${PNG_TEST_DIR}/PngTestSupport.cpp
      ${PNG_TEST_DIR}/png_reference_test.cpp
    LIBS png_core PNG::PNG vornada_test_support_core
    LABELS png)
endif()

# libFuzzer target: the core is compiled into it with coverage instrumentation.
if(VORNADA_FUZZ)
  vornada_fuzzer(png_load_fuzzer
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/png_load_fuzzer.cpp ${PNG_CORE_SOURCES}
    INCLUDES ${CMAKE_CURRENT_SOURCE_DIR}
    LIBS ZLIB::ZLIB)
endif()

# Benchmark against libpng and libspng (native, Release).
if(VORNADA_BENCH AND NOT WIN32)
  find_package(benchmark REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
  find_library(SPNG_LIBRARY spng REQUIRED)
  add_executable(png_bench ${CMAKE_CURRENT_SOURCE_DIR}/bench/png_bench.cpp)
  target_link_libraries(png_bench PRIVATE png_core PkgConfig::LIBPNG ${SPNG_LIBRARY}
                                          benchmark::benchmark vornada_options)
endif()
