# Stand-in speech engines that log their calls (tests/support_engine), built as
# real shared libraries in tests/engines/: one with every entry point and one
# for each entry point left out.
set(TIRVELO_RECORDING_ENGINE_DIR ${CMAKE_BINARY_DIR}/tests/engines)
set(TIRVELO_RECORDING_ENGINES)
foreach(variant upctv no_readfile no_read no_setspeed no_setlanguage no_setspeaker no_stop)
  set(target recording_${variant})
  add_library(${target} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/support_engine/recording_upctv.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(${target} PROPERTIES
    AUTOMOC OFF
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${TIRVELO_RECORDING_ENGINE_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${TIRVELO_RECORDING_ENGINE_DIR})
  if(variant MATCHES "^no_(.+)$")
    string(TOUPPER ${CMAKE_MATCH_1} missing)
    target_compile_definitions(${target} PRIVATE RECORDING_WITHOUT_${missing})
  endif()
  list(APPEND TIRVELO_RECORDING_ENGINES ${target})
endforeach()
add_custom_target(recording_engines)
add_dependencies(recording_engines ${TIRVELO_RECORDING_ENGINES})

if(TARGET unit_speech_library_test)
  add_dependencies(unit_speech_library_test recording_engines)
endif()
if(TARGET unit_upctv_engine_test AND TARGET upctv)
  # One test kills the real program while it reads.
  add_dependencies(unit_upctv_engine_test upctv tirvelo)
  # The engine's code-page table is checked against the program's own.
  target_sources(unit_upctv_engine_test PRIVATE ${CMAKE_SOURCE_DIR}/upctv/Cp1252ToUtf8.cpp)
  target_include_directories(unit_upctv_engine_test PRIVATE ${CMAKE_SOURCE_DIR}/upctv)
  target_link_libraries(unit_upctv_engine_test PRIVATE ${CMAKE_DL_LIBS})
  # The test's own waitpid stands in for the C library's in the engine too.
  target_link_options(unit_upctv_engine_test PRIVATE -Wl,--export-dynamic-symbol=waitpid)
endif()
