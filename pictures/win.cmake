# The Win32 picture classes and the controls built on them (Windows flavour only): each picture
# unit keeps its own library and tests in a section of this file and adds its library to
# `pictures_win`, which is what the program links.
if(WIN32)
  add_library(pictures_win INTERFACE)
endif()
