# The program's sources, the same for the terminal build and the Windows build.
set(SCRIVEL_PROGRAM_SOURCES
  app/main.cpp
  app/reset.cpp
  app/version.cpp
  app/window_proc.cpp
  document/document.cpp
  document/rescue.cpp
  document/safe_write.cpp
  document/text_bytes.cpp
  document/textfile.cpp
  editing/editor.cpp
  editing/find.cpp
  editing/font_chooser.cpp
  editing/mark.cpp
  settings/recent.cpp
  settings/settings.cpp)
