
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/tests/nlp/bfgs_test.cpp" "objects/tests/CMakeFiles/test_nlp.dir/nlp/bfgs_test.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/nlp/bfgs_test.cpp.o.d"
  "/work/main/tests/nlp/cubic_norm_test.cpp" "objects/tests/CMakeFiles/test_nlp.dir/nlp/cubic_norm_test.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/nlp/cubic_norm_test.cpp.o.d"
  "/work/main/tests/nlp/linesearch_test.cpp" "objects/tests/CMakeFiles/test_nlp.dir/nlp/linesearch_test.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/nlp/linesearch_test.cpp.o.d"
  "/work/main/tests/nlp/minimiser_test.cpp" "objects/tests/CMakeFiles/test_nlp.dir/nlp/minimiser_test.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/nlp/minimiser_test.cpp.o.d"
  "/work/main/tests/nlp/ring_test.cpp" "objects/tests/CMakeFiles/test_nlp.dir/nlp/ring_test.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/nlp/ring_test.cpp.o.d"
  "/work/main/tests/support/program_run.cpp" "objects/tests/CMakeFiles/test_nlp.dir/support/program_run.cpp.o" "gcc" "objects/tests/CMakeFiles/test_nlp.dir/support/program_run.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
