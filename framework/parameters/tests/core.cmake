quorvane_test(quorvane_parameters_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ParameterDefTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParameterListTest.cpp
  LIBS quorvane_core)
