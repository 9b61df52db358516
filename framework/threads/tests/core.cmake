quorvane_test(quorvane_threads_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThreadPoolTest.cpp
  LIBS quorvane_core)

# The process-wide log takes its path once per process: its tests get an executable of their own.
quorvane_test(quorvane_threads_log_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DebugLogTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PoolTraceTest.cpp
  LIBS quorvane_core)

# Replaces pthread_create to make thread creation fail; kept apart from every other test.
quorvane_test(quorvane_threads_fallback_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PoolFallbackTest.cpp
  LIBS quorvane_core ${CMAKE_DL_LIBS})
