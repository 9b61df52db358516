quorvane_benchmark(quorvane_threads_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThreadPoolBench.cpp
  LIBS quorvane_core)
