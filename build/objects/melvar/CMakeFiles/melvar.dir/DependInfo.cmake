
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/melvar/main.cpp" "objects/melvar/CMakeFiles/melvar.dir/main.cpp.o" "gcc" "objects/melvar/CMakeFiles/melvar.dir/main.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/objects/melvar/CMakeFiles/melvar_core.dir/DependInfo.cmake"
  "/work/main/build/objects/sheet/CMakeFiles/sheet.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
