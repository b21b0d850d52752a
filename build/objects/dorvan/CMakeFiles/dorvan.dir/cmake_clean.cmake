file(REMOVE_RECURSE
  "../../dorvan"
  "../../dorvan.pdb"
  "CMakeFiles/dorvan.dir/main.cpp.o"
  "CMakeFiles/dorvan.dir/main.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/dorvan.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
