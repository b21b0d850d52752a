file(REMOVE_RECURSE
  "../../melvar"
  "../../melvar.pdb"
  "CMakeFiles/melvar.dir/main.cpp.o"
  "CMakeFiles/melvar.dir/main.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/melvar.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
