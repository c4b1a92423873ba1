# The editor's tests link its library (the program does not need it to start).
foreach(_target unit_editor_model_test unit_editor_save_test gui_editor_window_test gui_editor_recording_test gui_editor_reader_test)
  if(TARGET ${_target})
    target_link_libraries(${_target} PRIVATE tirvelo_editor)
  endif()
endforeach()
if(TARGET gui_editor_window_test)
  add_dependencies(gui_editor_window_test tirvelo-llibre)
endif()
