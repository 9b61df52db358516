# Tests of the box-filter blurs and their helpers.
quorvane_test(quorvane_blur_tests
  SOURCES
    tests/BlurHelpersTests.cpp
    tests/QuadsoftFilterTests.cpp
    tests/MaskedQuadsoftFilterTests.cpp
    tests/AbberationBlurFilterTests.cpp
    tests/BlurReferenceTests.cpp
    tests/BlurFailureTests.cpp
  LIBS quorvane_core)
