# The page presentation tests read and speak through the recording stand-in
# engines, and meet the real engine's answers.
if(TARGET gui_page_presentation_test)
  add_dependencies(gui_page_presentation_test recording_engines)
  if(TARGET upctv)
    add_dependencies(gui_page_presentation_test upctv)
  endif()
endif()
