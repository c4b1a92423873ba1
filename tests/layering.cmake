# The folders' one-way order, checked on every include line.
add_test(NAME unit_layering
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/src -P ${CMAKE_CURRENT_SOURCE_DIR}/layering/CheckLayers.cmake)
set_tests_properties(unit_layering PROPERTIES LABELS unit)
