file(REMOVE_RECURSE
  "CMakeFiles/dorvan_core.dir/ansys.cpp.o"
  "CMakeFiles/dorvan_core.dir/ansys.cpp.o.d"
  "CMakeFiles/dorvan_core.dir/element.cpp.o"
  "CMakeFiles/dorvan_core.dir/element.cpp.o.d"
  "CMakeFiles/dorvan_core.dir/input.cpp.o"
  "CMakeFiles/dorvan_core.dir/input.cpp.o.d"
  "CMakeFiles/dorvan_core.dir/objective.cpp.o"
  "CMakeFiles/dorvan_core.dir/objective.cpp.o.d"
  "CMakeFiles/dorvan_core.dir/report.cpp.o"
  "CMakeFiles/dorvan_core.dir/report.cpp.o.d"
  "CMakeFiles/dorvan_core.dir/start.cpp.o"
  "CMakeFiles/dorvan_core.dir/start.cpp.o.d"
  "libdorvan_core.a"
  "libdorvan_core.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/dorvan_core.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
