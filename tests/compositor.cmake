# The program on real Wayland compositors nested in the test's X server, as an
# XWayland client and as a native Wayland client (tests/e2e/compositor_test.sh).
# Not in the sanitizer build: what is checked is the platform's answer, and the
# in-process tests already run the same code paths under the sanitizers. Each
# puts a compositor's window on the shared display, so it runs alone.
if(NOT TIRVELO_SANITIZE AND TARGET tirvelo)
  foreach(compositor weston mutter)
    add_test(NAME e2e_${compositor}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/compositor_test.sh ${compositor} ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e_${compositor} PROPERTIES LABELS "e2e;desktop" TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()
