# The Debian package, made and run unpacked (tests/e2e/package_test.sh). Not in
# the sanitizer build, whose program is not what a package ships.
if(NOT TIRVELO_SANITIZE AND TARGET tirvelo AND TARGET upctv)
  add_test(NAME e2e_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/package_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_package PROPERTIES LABELS e2e TIMEOUT 900)
endif()
