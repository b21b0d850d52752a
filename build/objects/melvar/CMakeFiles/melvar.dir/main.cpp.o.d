objects/melvar/CMakeFiles/melvar.dir/main.cpp.o: \
 /work/main/melvar/main.cpp /usr/include/stdc-predef.h
