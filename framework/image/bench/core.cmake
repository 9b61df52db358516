quorvane_benchmark(quorvane_image_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CopyImageFilterBench.cpp
  LIBS quorvane_core)
