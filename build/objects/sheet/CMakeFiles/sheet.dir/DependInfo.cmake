
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/sheet/ansys.cpp" "objects/sheet/CMakeFiles/sheet.dir/ansys.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/ansys.cpp.o.d"
  "/work/main/sheet/autocad.cpp" "objects/sheet/CMakeFiles/sheet.dir/autocad.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/autocad.cpp.o.d"
  "/work/main/sheet/format.cpp" "objects/sheet/CMakeFiles/sheet.dir/format.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/format.cpp.o.d"
  "/work/main/sheet/input.cpp" "objects/sheet/CMakeFiles/sheet.dir/input.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/input.cpp.o.d"
  "/work/main/sheet/report.cpp" "objects/sheet/CMakeFiles/sheet.dir/report.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/report.cpp.o.d"
  "/work/main/sheet/run.cpp" "objects/sheet/CMakeFiles/sheet.dir/run.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/run.cpp.o.d"
  "/work/main/sheet/scanner.cpp" "objects/sheet/CMakeFiles/sheet.dir/scanner.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/scanner.cpp.o.d"
  "/work/main/sheet/start.cpp" "objects/sheet/CMakeFiles/sheet.dir/start.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/start.cpp.o.d"
  "/work/main/sheet/text_file.cpp" "objects/sheet/CMakeFiles/sheet.dir/text_file.cpp.o" "gcc" "objects/sheet/CMakeFiles/sheet.dir/text_file.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
