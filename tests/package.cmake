# The Debian package, made and run unpacked (tests/e2e/package_test.sh). Not in
# the sanitizer build, whose program is not what a package ships.
if(NOT TIRVELO_SANITIZE AND TARGET tirvelo AND TARGET upctv)
  add_test(NAME e2e_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/package_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_package PROPERTIES LABELS e2e TIMEOUT 900)
endif()
# A book opened from another folder through the installed desktop entry
# (tests/e2e/open_anywhere_test.sh): every page of a made book and of the
# installed sample book shows.
if(NOT TIRVELO_SANITIZE AND TARGET tirvelo AND TARGET tirvelo-llibre)
  add_test(NAME e2e_open_anywhere COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/open_anywhere_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e_open_anywhere PROPERTIES LABELS e2e TIMEOUT 600)
endif()
