quorvane_test(quorvane_shared_controls_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SharedControlsTest.cpp
  LIBS quorvane_shared_controls)

# Registration and enabling through the adaptor and the simulated host.
if(EXISTS ${PROJECT_SOURCE_DIR}/standalone/hostsim/CMakeLists.txt)
  quorvane_test(quorvane_shared_controls_host_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SharedControlsRegistrationTest.cpp
    LIBS quorvane_shared_controls quorvane_ae quorvane_hostsim)
endif()
