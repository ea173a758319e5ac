# pictool's GIF commands run on the GIF fixtures (included from CMakeLists.txt, which defines
# pictool_test). The expected PAMs come from the fixture generator: a frame as giflib decodes
# it and a composed screen worked out by hand.
set(PICTOOL_GIF_DATA ${PROJECT_SOURCE_DIR}/pictures/tests/data/gif)
set(gif_data "${PICTOOL_PATH_PREFIX}${PICTOOL_GIF_DATA}")

pictool_test(pictool_gif_info
  ARGS info ${gif_data}/disposal.gif
  STDOUT "^version: 89a\r?\nscreen: 4x3 background=#000000\r?\nloop: no\r?\nframes: 4\r?\nframe 0: origin=0,0 size=4x3 delay=100 disposal=1 transparent=#FFFF00 local-map=no interlaced=no damaged=no\r?\nframe 1: origin=1,1 size=2x2 delay=200 disposal=2 transparent=#FFFF00 local-map=no interlaced=no damaged=no\r?\nframe 2: origin=0,0 size=2x1 delay=300 disposal=3 transparent=none local-map=no interlaced=no damaged=no\r?\nframe 3: origin=2,0 size=2x2 delay=400 disposal=0 transparent=#FFFF00 local-map=no interlaced=no damaged=no\r?\n$")
pictool_test(pictool_gif_info_loop
  ARGS info ${gif_data}/loop65535.gif
  STDOUT "loop: yes count=30000\r?\nframes: 2\r?\n")
pictool_test(pictool_gif_info_maps_and_damage
  ARGS info ${gif_data}/truncated.gif
  STDOUT "frame 0: [^\n]* damaged=no\r?\nframe 1: origin=0,0 size=16x16 [^\n]* damaged=yes")
pictool_test(pictool_gif_info_local_maps
  ARGS info ${gif_data}/maps.gif
  STDOUT "screen: 6x4 background=#FF0000\r?\n.*frame 1: origin=1,1 size=3x2 [^\n]*local-map=yes .*frame 2: origin=2,0 size=4x4 [^\n]*local-map=yes")
pictool_test(pictool_gif_frames
  ARGS frames ${gif_data}/disposal.gif @OUT@/gif-frames
  OUTPUT ${PICTOOL_OUT}/gif-frames/frame-001.pam EXPECTED ${PICTOOL_GIF_DATA}/disposal_frame1.pam)
pictool_test(pictool_gif_compose
  ARGS compose ${gif_data}/disposal.gif @OUT@/gif-screens
  OUTPUT ${PICTOOL_OUT}/gif-screens/screen-003.pam EXPECTED ${PICTOOL_GIF_DATA}/disposal_screen3.pam)
pictool_test(pictool_gif_resave
  ARGS resave ${gif_data}/comments.gif @OUT@/gif-resaved.gif
  OUTPUT ${PICTOOL_OUT}/gif-resaved.gif)
pictool_test(pictool_gif_resaved_reads
  ARGS info @OUT@/gif-resaved.gif
  STDOUT "frames: 2\r?\nframe 0: origin=0,0 size=2x1 delay=120 disposal=1 ")
set_tests_properties(pictool_gif_resave PROPERTIES FIXTURES_SETUP pictool_gif_resaved)
set_tests_properties(pictool_gif_resaved_reads PROPERTIES FIXTURES_REQUIRED pictool_gif_resaved)
pictool_test(pictool_gif_bench
  ARGS bench ${gif_data}/pil_anim.gif 3
  STDOUT "3 frames, 384 bytes, 3 runs\r?\nmedian: [0-9]+\\.[0-9][0-9][0-9] ms\r?\n$")
pictool_test(pictool_gif_bad_input
  ARGS info ${gif_data}/stray_after_comment.gif EXIT 1
  STDERR "^Stream read error\r?\n$")
pictool_test(pictool_gif_bad_frames
  ARGS frames ${gif_data}/no_color_table.gif @OUT@/gif-never EXIT 1
  STDERR "^Wrong number of colors; must be a power of 2
?
$")
# About two kilobytes declaring 20 frames of 8192 x 8192: decoding stops at the picture's
# memory budget.
pictool_test(pictool_gif_huge_frames
  ARGS info ${gif_data}/huge_frames.gif EXIT 1
  STDOUT "frames: 20\r?\n" STDERR "^Out of memory\r?\n$")
pictool_test(pictool_gif_unknown_command
  ARGS decode ${gif_data}/maps.gif @OUT@/never.pam EXIT 2 STDERR "usage")
