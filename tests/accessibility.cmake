# The program read and driven through the real AT-SPI bus (tests/e2e/atspi_test.sh).
# It uses the recording stand-in engine (tests/speech.cmake) to stay quiet.
if(TARGET tirvelo)
  add_test(NAME e2e_atspi COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/atspi_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_atspi PROPERTIES LABELS e2e TIMEOUT 300)
endif()
