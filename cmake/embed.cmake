# Writes the bytes of INPUT as a C++ array into OUTPUT, for the platform's resource loader.
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from the compiled resource file; do not edit.\n#include <cstddef>\n"
  "extern const unsigned char kScrivelResources[] = {\n${bytes}\n};\n"
  "extern const size_t kScrivelResourcesSize = ${size};\n")
