quorvane_test(quorvane_host_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RenderDescriptorsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuorvaneHostTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IdentityTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CompositionTest.cpp
  LIBS quorvane_core)
