# The program read and driven through the real AT-SPI bus (tests/e2e/atspi_test.sh).
# It uses the recording stand-in engine (tests/speech.cmake) to stay quiet.
if(TARGET tirvelo)
  add_test(NAME e2e_atspi COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/atspi_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_atspi PROPERTIES LABELS e2e TIMEOUT 300)
endif()

# The windows' accessible nodes, read in process. Qt raises accessibility
# events only while an AT-SPI bus listens, so the test runs on a private D-Bus
# session whose accessibility bus is started before the program.
add_executable(gui_accessibility_test accessibility/accessibility_test.cpp)
target_link_libraries(gui_accessibility_test PRIVATE tirvelo_test_support tirvelo_gui_main)
add_test(NAME gui_accessibility_test
         COMMAND dbus-run-session -- sh -c "dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null && exec \"$0\"" $<TARGET_FILE:gui_accessibility_test>)
set_tests_properties(gui_accessibility_test PROPERTIES LABELS gui TIMEOUT 600 ENVIRONMENT QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
