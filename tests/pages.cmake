# The page presentation tests read and speak through the recording stand-in engines.
if(TARGET gui_page_presentation_test)
  add_dependencies(gui_page_presentation_test recording_engines)
endif()
