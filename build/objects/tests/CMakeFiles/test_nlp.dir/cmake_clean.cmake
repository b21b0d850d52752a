file(REMOVE_RECURSE
  "CMakeFiles/test_nlp.dir/nlp/bfgs_test.cpp.o"
  "CMakeFiles/test_nlp.dir/nlp/bfgs_test.cpp.o.d"
  "CMakeFiles/test_nlp.dir/nlp/cubic_norm_test.cpp.o"
  "CMakeFiles/test_nlp.dir/nlp/cubic_norm_test.cpp.o.d"
  "CMakeFiles/test_nlp.dir/nlp/linesearch_test.cpp.o"
  "CMakeFiles/test_nlp.dir/nlp/linesearch_test.cpp.o.d"
  "CMakeFiles/test_nlp.dir/nlp/minimiser_test.cpp.o"
  "CMakeFiles/test_nlp.dir/nlp/minimiser_test.cpp.o.d"
  "CMakeFiles/test_nlp.dir/nlp/ring_test.cpp.o"
  "CMakeFiles/test_nlp.dir/nlp/ring_test.cpp.o.d"
  "CMakeFiles/test_nlp.dir/support/program_run.cpp.o"
  "CMakeFiles/test_nlp.dir/support/program_run.cpp.o.d"
  "test_nlp"
  "test_nlp.pdb"
  "test_nlp[1]_tests.cmake"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/test_nlp.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
