SetFactory("OpenCASCADE");
Rectangle(1) = {0, 0, 0, 2, 1};
Disk(2) = {1, 0.5, 0, 0.2};
BooleanDifference{ Surface{1}; Delete; }{ Surface{2}; Delete; }
Physical Surface("plate") = {1};
Mesh.MeshSizeMax = 0.2;
