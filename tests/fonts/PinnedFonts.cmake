# A fontconfig configuration that sees only the font files of the packages the
# program declares (TIRVELO_FONT_PACKAGES), with the rendering defaults of
# Debian's own configuration, so that a font installed by hand on one machine
# cannot change what a test draws. Sets TIRVELO_PINNED_FONTCONFIG.
set(_fonts_dir ${CMAKE_CURRENT_BINARY_DIR}/fonts)
set(_files_dir ${_fonts_dir}/files)
file(REMOVE_RECURSE ${_files_dir})
file(MAKE_DIRECTORY ${_files_dir} ${_fonts_dir}/cache)

find_program(DPKG_QUERY dpkg-query)
set(_font_files)
foreach(package ${TIRVELO_FONT_PACKAGES})
  set(_listing "")
  if(DPKG_QUERY)
    execute_process(COMMAND ${DPKG_QUERY} -L ${package} OUTPUT_VARIABLE _listing
      RESULT_VARIABLE _status ERROR_QUIET)
  endif()
  if(NOT _listing OR NOT _status EQUAL 0)
    message(WARNING "Font package ${package} is not installed (scripts/setup.sh installs it); "
                    "tests that draw text will not match their references")
    continue()
  endif()
  string(REPLACE "\n" ";" _listing "${_listing}")
  foreach(path ${_listing})
    if(path MATCHES "\\.(ttf|otf)$" AND EXISTS ${path})
      list(APPEND _font_files ${path})
    endif()
  endforeach()
endforeach()
foreach(path ${_font_files})
  get_filename_component(name ${path} NAME)
  file(CREATE_LINK ${path} ${_files_dir}/${name} SYMBOLIC)
endforeach()

set(TIRVELO_PINNED_FONT_DIR ${_files_dir})
set(TIRVELO_PINNED_FONT_CACHE ${_fonts_dir}/cache)
set(TIRVELO_PINNED_FONTCONFIG ${_fonts_dir}/fonts.conf)
configure_file(${CMAKE_CURRENT_LIST_DIR}/fonts.conf.in ${TIRVELO_PINNED_FONTCONFIG} @ONLY)
