# Host simulation tests: a scripted fake entry point linked in, and small plug-in libraries
# for loading.
foreach(variant complete bare noentry)
  add_library(hostsim_fake_plugin_${variant} MODULE tests/FakePlugin.cpp)
  target_include_directories(hostsim_fake_plugin_${variant} PRIVATE ${PROJECT_SOURCE_DIR}/framework)
endforeach()
target_compile_definitions(hostsim_fake_plugin_complete PRIVATE FAKE_ENTRY FAKE_DESCRIBE)
target_compile_definitions(hostsim_fake_plugin_bare PRIVATE FAKE_ENTRY)

quorvane_test(quorvane_hostsim_tests
  SOURCES
    tests/FakeEffect.cpp
    tests/CallbackTest.cpp
    tests/ControlTest.cpp
    tests/FrameTest.cpp
    tests/PluginLibraryTest.cpp
  LIBS quorvane_hostsim)
target_compile_definitions(quorvane_hostsim_tests PRIVATE
  FAKE_PLUGIN_COMPLETE="$<TARGET_FILE:hostsim_fake_plugin_complete>"
  FAKE_PLUGIN_BARE="$<TARGET_FILE:hostsim_fake_plugin_bare>"
  FAKE_PLUGIN_NOENTRY="$<TARGET_FILE:hostsim_fake_plugin_noentry>"
  HOSTSIM_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
add_dependencies(quorvane_hostsim_tests hostsim_fake_plugin_complete hostsim_fake_plugin_bare
  hostsim_fake_plugin_noentry)
