# The language tests drive the main window on the recording stand-in engines
# and on the real engine, which must be built before they run. The reading
# controls run on an in-process engine, except one case on the stand-in library.
foreach(test gui_reading_controls_test gui_languages_test)
  if(TARGET ${test})
    add_dependencies(${test} recording_engines)
  endif()
endforeach()
if(TARGET gui_languages_test)
  target_link_libraries(gui_languages_test PRIVATE ${CMAKE_DL_LIBS})
  if(TARGET upctv)
    add_dependencies(gui_languages_test upctv)
  endif()
endif()
