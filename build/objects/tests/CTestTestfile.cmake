# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build/objects/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/objects/tests/test_nlp[1]_include.cmake")
include("/work/main/build/objects/tests/test_golden[1]_include.cmake")
