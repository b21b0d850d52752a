file(REMOVE_RECURSE
  "CMakeFiles/melvar_core.dir/main.cpp.o"
  "CMakeFiles/melvar_core.dir/main.cpp.o.d"
  "libmelvar_core.a"
  "libmelvar_core.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/melvar_core.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
