# `cmake --install` lays the program out so that a double click on a book opens
# it: the program in bin, the speech library in a folder of its own under lib
# (found through the program's run path), the desktop entry, the icons and the
# book file type.
include(GNUInstallDirs)

# The engine is the program's own, not a library for others: it lives in a
# folder of the program's under lib (lib/<multiarch triplet>/tirvelo on
# Debian), out of the system's library path.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(TIRVELO_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/tirvelo)
else()
  set(TIRVELO_PRIVATE_LIBDIR lib/tirvelo)
endif()
set_target_properties(tirvelo PROPERTIES INSTALL_RPATH "$ORIGIN/../${TIRVELO_PRIVATE_LIBDIR}")
install(TARGETS tirvelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET upctv)
  # The program loads it by name at run time; the run path above finds it.
  install(TARGETS upctv LIBRARY DESTINATION ${TIRVELO_PRIVATE_LIBDIR})
endif()

# The manual page and the package's documentation, compressed as Debian wants
# them (gzip -9n: no name, no time stamp, so the package is reproducible).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_docs ${CMAKE_BINARY_DIR}/generated/doc)
file(MAKE_DIRECTORY ${_docs})
foreach(pair "data/tirvelo.1;tirvelo.1.gz" "data/debian/changelog;changelog.gz")
  list(GET pair 0 _source)
  list(GET pair 1 _target)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${_source})
  execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/${_source}
    OUTPUT_FILE ${_docs}/${_target} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${_docs}/tirvelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_docs}/changelog.gz data/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tirvelo)
# The sample book, so that a new user has a book to open (Debian's place for
# examples); its pages only: the drawings the metafiles were made from stay here.
install(DIRECTORY examples/sample DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tirvelo/examples
  PATTERN "*.svg" EXCLUDE)

set(TIRVELO_BOOK_MIME_TYPE application/x-lumbrix)
set(MIME_TYPE ${TIRVELO_BOOK_MIME_TYPE})
set(GLOB "*.lumbrix")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/data/mime-package.xml.in
  ${CMAKE_BINARY_DIR}/generated/tirvelo-lumbrix.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/tirvelo-lumbrix.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES data/tirvelo.svg DESTINATION ${_icons}/scalable/apps RENAME tirvelo.svg)
install(FILES data/tirvelo-48.png DESTINATION ${_icons}/48x48/apps RENAME tirvelo.png)
install(FILES data/tirvelo.svg DESTINATION ${_icons}/scalable/mimetypes RENAME application-x-lumbrix.svg)
install(FILES data/tirvelo-48.png DESTINATION ${_icons}/48x48/mimetypes RENAME application-x-lumbrix.png)

# The desktop entry names the program by its absolute installed path, which is
# known only at install time (`cmake --install --prefix` may change it).
install(CODE "
  set(_template \"${CMAKE_CURRENT_SOURCE_DIR}/data/tirvelo.desktop.in\")
  set(_bindir \"${CMAKE_INSTALL_BINDIR}\")
  set(_datadir \"${CMAKE_INSTALL_DATADIR}\")
  set(_mime \"${TIRVELO_BOOK_MIME_TYPE}\")
" CODE [[
  if(IS_ABSOLUTE "${_bindir}")
    set(_program "${_bindir}/tirvelo")
  else()
    set(_program "${CMAKE_INSTALL_PREFIX}/${_bindir}/tirvelo")
  endif()
  # Quoted and escaped as desktop entries want it when the path is not plain.
  string(REPLACE "%" "%%" _exec "${_program}")
  if(NOT _program MATCHES "^[A-Za-z0-9_./+-]+$")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" _exec "${_exec}")
    set(_exec "\"${_exec}\"")
  endif()
  string(REPLACE "\\" "\\\\" _exec "${_exec}")
  file(READ "${_template}" _entry)
  string(REPLACE "@EXEC@" "${_exec} %f" _entry "${_entry}")
  string(REPLACE "@MIME_TYPE@" "${_mime}" _entry "${_entry}")
  set(_applications "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${_datadir}/applications")
  message(STATUS "Installing: ${_applications}/tirvelo.desktop")
  file(MAKE_DIRECTORY "${_applications}")
  file(WRITE "${_applications}/tirvelo.desktop" "${_entry}")

  # Packagers (DESTDIR) refresh the caches in their own triggers.
  if("$ENV{DESTDIR}" STREQUAL "")
    set(_share "${CMAKE_INSTALL_PREFIX}/${_datadir}")
    find_program(_update_mime update-mime-database)
    find_program(_update_desktop update-desktop-database)
    find_program(_update_icons gtk-update-icon-cache)
    if(_update_mime)
      execute_process(COMMAND "${_update_mime}" "${_share}/mime" TIMEOUT 120)
    endif()
    if(_update_desktop)
      execute_process(COMMAND "${_update_desktop}" "${_share}/applications" TIMEOUT 120)
    endif()
    if(_update_icons)
      execute_process(COMMAND "${_update_icons}" -q -t -f "${_share}/icons/hicolor" TIMEOUT 120)
    endif()
  endif()
]])

# The book tool beside the program, with its manual page.
install(TARGETS tirvelo-llibre RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TIRVELO_BOOKTOOL_MAN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
