file(REMOVE_RECURSE
  "CMakeFiles/sheet.dir/ansys.cpp.o"
  "CMakeFiles/sheet.dir/ansys.cpp.o.d"
  "CMakeFiles/sheet.dir/autocad.cpp.o"
  "CMakeFiles/sheet.dir/autocad.cpp.o.d"
  "CMakeFiles/sheet.dir/format.cpp.o"
  "CMakeFiles/sheet.dir/format.cpp.o.d"
  "CMakeFiles/sheet.dir/input.cpp.o"
  "CMakeFiles/sheet.dir/input.cpp.o.d"
  "CMakeFiles/sheet.dir/report.cpp.o"
  "CMakeFiles/sheet.dir/report.cpp.o.d"
  "CMakeFiles/sheet.dir/run.cpp.o"
  "CMakeFiles/sheet.dir/run.cpp.o.d"
  "CMakeFiles/sheet.dir/scanner.cpp.o"
  "CMakeFiles/sheet.dir/scanner.cpp.o.d"
  "CMakeFiles/sheet.dir/start.cpp.o"
  "CMakeFiles/sheet.dir/start.cpp.o.d"
  "CMakeFiles/sheet.dir/text_file.cpp.o"
  "CMakeFiles/sheet.dir/text_file.cpp.o.d"
  "libsheet.a"
  "libsheet.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/sheet.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
