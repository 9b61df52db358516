# Quadsoft end to end: the linked entry point driven through the host simulation, and the
# shipped library and property list loaded from the build.
quorvane_test(quadsoft_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/QuadsoftControlsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuadsoftRenderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuadsoftFailureTest.cpp
  LIBS quadsoft_objects quorvane_hostsim)
target_compile_definitions(quadsoft_tests PRIVATE
  QUADSOFT_PLUGIN="$<TARGET_FILE:quadsoft>"
  QUADSOFT_PIPL="$<TARGET_FILE_DIR:quadsoft>/quadsoft.pipl")
add_dependencies(quadsoft_tests quadsoft)
