# Bound parameters registered through the host simulation.
quorvane_test(quorvane_parameters_ae_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AeBoundRegistrationTest.cpp
  LIBS quorvane_ae quorvane_hostsim)
