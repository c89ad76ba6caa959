# scrivel.rc compiled to scrivel.res (RES_FILE): the same bytes for both builds.
find_program(RC_COMPILER NAMES llvm-rc llvm-rc-14 REQUIRED)
find_program(RC_PREPROCESSOR NAMES cpp REQUIRED)
set(RES_FILE ${CMAKE_BINARY_DIR}/scrivel.res)
set(RC_PREPROCESSED ${CMAKE_BINARY_DIR}/scrivel.rc.i)
set(RESOURCE_INPUTS
  ${CMAKE_SOURCE_DIR}/resources/scrivel.rc
  ${CMAKE_SOURCE_DIR}/resources/resource.h
  ${CMAKE_SOURCE_DIR}/resources/rcdefs.h
  ${CMAKE_SOURCE_DIR}/resources/scrivel.ico)
add_custom_command(
  OUTPUT ${RES_FILE}
  COMMAND ${RC_PREPROCESSOR} -P -xc -DRC_INVOKED -I${CMAKE_SOURCE_DIR}/resources
          ${CMAKE_SOURCE_DIR}/resources/scrivel.rc -o ${RC_PREPROCESSED}
  # The "--" matters: llvm-rc also takes rc.exe's slash options, so an input path such as
  # /check/... would otherwise be read as the /c (code page) option.
  COMMAND ${RC_COMPILER} -no-preprocess -I ${CMAKE_SOURCE_DIR}/resources -fo ${RES_FILE} -- ${RC_PREPROCESSED}
  DEPENDS ${RESOURCE_INPUTS}
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/resources
  COMMENT "Compiling resources")
