# Renders must be bit-identical on every x86-64 machine: no contraction into FMA,
# no fast-math, no host-specific instruction set.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

if(QUORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Texts handed to the host are GBK byte strings: targets that hold such texts compile their
# narrow literals into GBK. <chrono> holds a literal GBK cannot encode, so such targets keep
# it out of their headers; a source that needs it is marked with quorvane_utf8_sources
# (TARGET_DIRECTORY: the folder whose CMakeLists created the target).
function(quorvane_gbk_texts target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=GBK)
endfunction()
function(quorvane_utf8_sources target_directory)
  set_source_files_properties(${ARGN} DIRECTORY ${target_directory}
    PROPERTIES COMPILE_OPTIONS -fexec-charset=UTF-8)
endfunction()

# A GoogleTest executable registered with CTest.
function(quorvane_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()

# A Google Benchmark executable (not a test).
function(quorvane_benchmark name)
  if(NOT QUORVANE_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

find_package(Threads REQUIRED)
