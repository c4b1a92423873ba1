# The test that starts a window manager on the shared test display runs alone:
# every other test expects a display without one.
if(TARGET gui_level_dialog_window_manager_test)
  set_tests_properties(gui_level_dialog_window_manager_test PROPERTIES RUN_SERIAL TRUE)
endif()
