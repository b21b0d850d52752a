
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/melvar/ansys.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/ansys.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/ansys.cpp.o.d"
  "/work/main/melvar/element.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/element.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/element.cpp.o.d"
  "/work/main/melvar/input.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/input.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/input.cpp.o.d"
  "/work/main/melvar/objective.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/objective.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/objective.cpp.o.d"
  "/work/main/melvar/report.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/report.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/report.cpp.o.d"
  "/work/main/melvar/start.cpp" "objects/melvar/CMakeFiles/melvar_core.dir/start.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar_core.dir/start.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/objects/sheet/CMakeFiles/sheet.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
