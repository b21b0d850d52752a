# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("objects/sheet")
subdirs("objects/dorvan")
subdirs("objects/melvar")
subdirs("objects/tests")
subdirs("objects/bench")
