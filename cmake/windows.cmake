# The Windows build: the program's sources over the real Win32 and common controls, the desktop stand-ins
# for the phone's shell calls (platform/windows/), and the same compiled resources, in one static
# executable. Configure with -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake.
include(cmake/resources.cmake)
find_program(WINDRES NAMES ${CMAKE_RC_COMPILER} x86_64-w64-mingw32-windres windres REQUIRED)
set(RES_OBJECT ${CMAKE_BINARY_DIR}/scrivel_res.o)
add_custom_command(
  OUTPUT ${RES_OBJECT}
  COMMAND ${WINDRES} -J res -O coff -i ${RES_FILE} -o ${RES_OBJECT}
  DEPENDS ${RES_FILE}
  COMMENT "Linking resources into an object")

add_compile_definitions(UNICODE _UNICODE)
add_executable(scrivel WIN32 ${SCRIVEL_PROGRAM_SOURCES} platform/windows/soft_key_bar.cpp ${RES_OBJECT})
target_include_directories(scrivel PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_options(scrivel PRIVATE -municode -mwindows -static)
target_link_libraries(scrivel PRIVATE comctl32 version shell32 gdi32 user32 advapi32)
