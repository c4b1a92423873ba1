# The desktop tests install the program with `cmake --install` and start it
# through the desktop's launchers: the program and its engines must be built.
if(TARGET gui_desktop_test)
  add_dependencies(gui_desktop_test tirvelo recording_engines)
  if(TARGET upctv)
    add_dependencies(gui_desktop_test upctv)
  endif()
endif()
