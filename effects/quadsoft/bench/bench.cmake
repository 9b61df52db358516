# The whole plug-in rendering a 3840 × 2160 frame through the simulated host.
quorvane_benchmark(quadsoft_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QuadsoftBench.cpp
  LIBS quadsoft_objects quorvane_hostsim)
