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
add_executable(scrivel WIN32 ${SCRIVEL_PROGRAM_SOURCES} platform/windows/soft_key_bar.cpp platform/soft_key_buttons.cpp ${RES_OBJECT})
target_include_directories(scrivel PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_options(scrivel PRIVATE -municode -mwindows -static)
target_link_libraries(scrivel PRIVATE comctl32 version shell32 gdi32 user32 advapi32)

# The shared platform tests over the real Win32, with GoogleTest built from its sources by the same
# compiler: -DSCRIVEL_WINDOWS_TESTS=ON; scripts/wine-tests.sh runs them under Wine.
option(SCRIVEL_WINDOWS_TESTS "Build the shared platform tests for Windows" OFF)
if(SCRIVEL_WINDOWS_TESTS)
  set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(${CMAKE_SOURCE_DIR}/tests/shared/sources.cmake)
  add_executable(shared_platform_tests ${SCRIVEL_SHARED_TEST_SOURCES} tests/support/windows_test_platform.cpp)
  target_include_directories(shared_platform_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(shared_platform_tests PRIVATE -static)
  target_link_libraries(shared_platform_tests PRIVATE gtest comctl32 shell32 gdi32 user32 advapi32 version)
  # A module with nothing in it: a test copies it and adds the resources it builds to the copy.
  add_library(resource_less_module SHARED tests/support/resource_less_module.cpp)
  set_target_properties(resource_less_module PROPERTIES PREFIX "")
  target_link_options(resource_less_module PRIVATE -static)
  add_dependencies(shared_platform_tests resource_less_module)
endif()
