# Tests of the standalone host's image I/O; fixtures are written in code with the libraries.
quorvane_test(quorvane_io_tests
  SOURCES
    tests/TestDirectory.cpp
    tests/TestImages.cpp
    tests/FileSamplesTest.cpp
    tests/ImageFileTest.cpp
    tests/ForeignFilesTest.cpp
    tests/SampleFrameTest.cpp
    tests/TextEncodingTest.cpp
  LIBS quorvane_io PNG::PNG TIFF::TIFF PkgConfig::OPENEXR)
