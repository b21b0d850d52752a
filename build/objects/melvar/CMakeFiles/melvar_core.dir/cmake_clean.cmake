file(REMOVE_RECURSE
  "CMakeFiles/melvar_core.dir/ansys.cpp.o"
  "CMakeFiles/melvar_core.dir/ansys.cpp.o.d"
  "CMakeFiles/melvar_core.dir/element.cpp.o"
  "CMakeFiles/melvar_core.dir/element.cpp.o.d"
  "CMakeFiles/melvar_core.dir/input.cpp.o"
  "CMakeFiles/melvar_core.dir/input.cpp.o.d"
  "CMakeFiles/melvar_core.dir/objective.cpp.o"
  "CMakeFiles/melvar_core.dir/objective.cpp.o.d"
  "CMakeFiles/melvar_core.dir/report.cpp.o"
  "CMakeFiles/melvar_core.dir/report.cpp.o.d"
  "CMakeFiles/melvar_core.dir/start.cpp.o"
  "CMakeFiles/melvar_core.dir/start.cpp.o.d"
  "libmelvar_core.a"
  "libmelvar_core.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/melvar_core.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
