quorvane_test(quorvane_image_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EdgeModeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PremultiplyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PixelArrayTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CopyImageFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClearImageFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MultImageFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MoveSubPixelImageFilterTest.cpp
  LIBS quorvane_core)
