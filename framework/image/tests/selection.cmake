# Selection, colour offset, blend modes and rotation.
quorvane_test(quorvane_selection_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HslSelectionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HslRangeSelectionFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BlendModesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RotateImageFilterTest.cpp
  LIBS quorvane_core)
