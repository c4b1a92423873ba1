# The reading-control and language tests drive the main window on the recording
# stand-in engines and on the real engine, which must be built before they run.
foreach(test gui_reading_controls_test gui_languages_test)
  if(TARGET ${test})
    add_dependencies(${test} recording_engines)
    target_link_libraries(${test} PRIVATE ${CMAKE_DL_LIBS})
  endif()
endforeach()
if(TARGET gui_languages_test AND TARGET upctv)
  add_dependencies(gui_languages_test upctv)
endif()
