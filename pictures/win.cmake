# The Win32 picture classes and the controls built on them (Windows flavour only): each picture
# unit keeps its own library and tests in a section of this file and adds its library to
# `pictures_win`, which is what the program links.
if(WIN32)
  add_library(pictures_win INTERFACE)

  # ---- GIF picture, threaded timer, image control, GIF animator ----
  add_library(gif_win STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/GifImage.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ThreadTimer.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ImageControl.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/GifAnimator.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PicturesDesign.cpp)
  target_include_directories(gif_win PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(gif_win PUBLIC framework gif_core PRIVATE vornada_options)
  target_link_libraries(pictures_win INTERFACE gif_win)

  set(GIFWIN_TEST_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests/gifwin)
  # Freed memory is poisoned in the picture's tests: a frame read after it was freed fails.
  vornada_test(gifwin_image_test
    SOURCES ${GIFWIN_TEST_DIR}/gif_image_test.cpp ${GIFWIN_TEST_DIR}/GifWinTestSupport.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/gif/GifTestSupport.cpp
    LIBS gif_win vornada_test_support vornada_freed_memory_poison LABELS gif)
  vornada_test(gifwin_timer_test
    SOURCES ${GIFWIN_TEST_DIR}/thread_timer_test.cpp ${GIFWIN_TEST_DIR}/GifWinTestSupport.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/gif/GifTestSupport.cpp
    LIBS gif_win vornada_test_support LABELS gif)
  vornada_test(gifwin_animator_test
    SOURCES ${GIFWIN_TEST_DIR}/gif_animator_test.cpp ${GIFWIN_TEST_DIR}/GifWinTestSupport.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/gif/GifTestSupport.cpp
    LIBS gif_win vornada_test_support LABELS gif)
  # Windows, the clipboard and timing: not beside other programs that use the desktop.
  vornada_desktop_lock(gifwin_image_test gifwin_timer_test gifwin_animator_test)

  # ---- PNG picture ----
  add_library(png_graphic STATIC ${CMAKE_CURRENT_SOURCE_DIR}/PngGraphic.cpp)
  target_include_directories(png_graphic PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(png_graphic PUBLIC framework png_core PRIVATE vornada_options)
  target_link_libraries(pictures_win INTERFACE png_graphic)

  set(PNGWIN_TEST_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests/pngwin)
  vornada_test(pngwin_graphic_test
    SOURCES ${PNGWIN_TEST_DIR}/png_graphic_load_test.cpp
            ${PNGWIN_TEST_DIR}/png_graphic_convert_test.cpp
            ${PNGWIN_TEST_DIR}/png_graphic_draw_test.cpp
            ${PNGWIN_TEST_DIR}/PngWinTestSupport.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/png/PngTestSupport.cpp
    LIBS png_graphic vornada_test_support LABELS png)
  vornada_test(pngwin_clipboard_test
    SOURCES ${PNGWIN_TEST_DIR}/png_graphic_clipboard_test.cpp
            ${PNGWIN_TEST_DIR}/PngWinTestSupport.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/png/PngTestSupport.cpp
    LIBS png_graphic vornada_test_support LABELS png)
  vornada_desktop_lock(pngwin_clipboard_test)
endif()
