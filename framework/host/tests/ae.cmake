# The adaptor, render entry, entry point and property list, driven through the host
# simulation with a test effect that has every control kind.
quorvane_plugin(NAME ae_test_plugin DELIVERABLE Glow
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AeTestPlugin.cpp
  OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/testplugins)
target_include_directories(ae_test_plugin PRIVATE ${PROJECT_SOURCE_DIR}/framework)

quorvane_test(quorvane_ae_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AeServicesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AeAdaptorTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AeRenderEntryTest.cpp
  LIBS quorvane_ae quorvane_hostsim)
# The test effect's labels are GBK bytes, as in a plug-in.
quorvane_gbk_texts(quorvane_ae_tests)

quorvane_test(quorvane_ae_plugin_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AePluginTest.cpp
  LIBS quorvane_ae quorvane_hostsim)
target_compile_definitions(quorvane_ae_plugin_tests PRIVATE
  AE_TEST_PLUGIN="$<TARGET_FILE:ae_test_plugin>")
add_dependencies(quorvane_ae_plugin_tests ae_test_plugin)
