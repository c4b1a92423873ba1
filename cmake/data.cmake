# Builds the files of data/ into the desktop library, so that the program can
# register its desktop entry, file type and icon from wherever it runs.
set(TIRVELO_DATA_DIR ${CMAKE_CURRENT_SOURCE_DIR}/data)
set(TIRVELO_EMBEDDED_FILES
  desktopEntryTemplate ${TIRVELO_DATA_DIR}/tirvelo.desktop.in
  mimePackageTemplate ${TIRVELO_DATA_DIR}/mime-package.xml.in
  iconSvg ${TIRVELO_DATA_DIR}/tirvelo.svg
  iconPng ${TIRVELO_DATA_DIR}/tirvelo-48.png)

set(_tirvelo_embedded "// Generated from data/ by cmake/data.cmake.\n#include \"desktop/EmbeddedData.h\"\n\nnamespace tirvelo::embedded {\n")
list(LENGTH TIRVELO_EMBEDDED_FILES _count)
math(EXPR _last "${_count} - 1")
foreach(_i RANGE 0 ${_last} 2)
  math(EXPR _j "${_i} + 1")
  list(GET TIRVELO_EMBEDDED_FILES ${_i} _name)
  list(GET TIRVELO_EMBEDDED_FILES ${_j} _file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_file})
  file(READ ${_file} _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(APPEND _tirvelo_embedded
    "namespace { const unsigned char k_${_name}[] = {${_bytes}}; }\n"
    "QByteArrayView ${_name}() { return {reinterpret_cast<const char*>(k_${_name}), sizeof k_${_name}}; }\n")
endforeach()
string(APPEND _tirvelo_embedded "\n} // namespace tirvelo::embedded\n")

set(TIRVELO_EMBEDDED_SOURCE ${CMAKE_BINARY_DIR}/generated/EmbeddedData.cpp)
# Rewritten only when it changes, so that a new configure rebuilds nothing.
file(WRITE ${CMAKE_BINARY_DIR}/generated/EmbeddedData.cpp.new "${_tirvelo_embedded}")
configure_file(${CMAKE_BINARY_DIR}/generated/EmbeddedData.cpp.new ${TIRVELO_EMBEDDED_SOURCE} COPYONLY)
target_sources(tirvelo_desktop PRIVATE ${TIRVELO_EMBEDDED_SOURCE})
