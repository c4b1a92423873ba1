# The voice-mode window tests load the recording stand-in engine.
if(TARGET gui_voice_mode_test AND TARGET recording_engines)
  add_dependencies(gui_voice_mode_test recording_engines)
endif()
