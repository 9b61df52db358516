# Tests of the command: its parts directly, and the real executable run as a script runs it,
# on a small probe plug-in (tests/ProbePlugin.cpp) and on Quadsoft when it is built.
add_library(quorvane_probe_plugin MODULE tests/ProbePlugin.cpp)
target_include_directories(quorvane_probe_plugin PRIVATE ${PROJECT_SOURCE_DIR}/framework)
set_target_properties(quorvane_probe_plugin PROPERTIES PREFIX "" OUTPUT_NAME probe
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/probe)

quorvane_test(quorvane_cli_tests
  SOURCES
    tests/HandlePoolTest.cpp
    tests/ControlValuesTest.cpp
    tests/FrameSequenceTest.cpp
  LIBS quorvane_cli_parts)

set(quadsoft_library "")
if(TARGET quadsoft)
  set(quadsoft_library $<TARGET_FILE:quadsoft>)
endif()
find_package(PNG REQUIRED)
quorvane_test(quorvane_command_tests
  SOURCES
    tests/CommandRunner.cpp
    ${PROJECT_SOURCE_DIR}/standalone/io/tests/TestDirectory.cpp
    ${PROJECT_SOURCE_DIR}/standalone/io/tests/TestImages.cpp
    tests/CommandTestSupport.cpp
    tests/ProbeCommandTest.cpp
    tests/QuadsoftCommandTest.cpp
  LIBS quorvane_io PNG::PNG)
target_include_directories(quorvane_command_tests PRIVATE ${PROJECT_SOURCE_DIR}/standalone/io/tests
                           ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_compile_definitions(quorvane_command_tests PRIVATE
  QUORVANE_EXECUTABLE="$<TARGET_FILE:quorvane>"
  PROBE_PLUGIN="$<TARGET_FILE:quorvane_probe_plugin>"
  QUADSOFT_PLUGIN="${quadsoft_library}")
add_dependencies(quorvane_command_tests quorvane quorvane_probe_plugin)
if(TARGET quadsoft)
  add_dependencies(quorvane_command_tests quadsoft)
endif()
