
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/dorvan/ansys.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/ansys.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/ansys.cpp.o.d"
  "/work/main/dorvan/element.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/element.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/element.cpp.o.d"
  "/work/main/dorvan/input.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/input.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/input.cpp.o.d"
  "/work/main/dorvan/objective.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/objective.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/objective.cpp.o.d"
  "/work/main/dorvan/report.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/report.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/report.cpp.o.d"
  "/work/main/dorvan/start.cpp" "objects/dorvan/CMakeFiles/dorvan_core.dir/start.cpp.o" "gcc" "objects/dorvan/CMakeFiles/dorvan_core.dir/start.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/objects/sheet/CMakeFiles/sheet.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
