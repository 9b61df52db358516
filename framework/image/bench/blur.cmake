# The box-filter blurs on a 3840 × 2160 frame beside the copy floor.
quorvane_benchmark(quorvane_blur_bench SOURCES bench/BlurBench.cpp LIBS quorvane_core)
