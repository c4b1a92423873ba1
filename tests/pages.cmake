# The page presentation tests speak through an in-process recording engine; two
# suites meet loaded libraries (the stand-in's answers and the real engine's),
# which must be built before they run.
if(TARGET gui_page_presentation_test)
  add_dependencies(gui_page_presentation_test recording_engines)
  if(TARGET upctv)
    add_dependencies(gui_page_presentation_test upctv)
  endif()
endif()
