// A spherical cap of radius 1 above 45 degrees of latitude, cut from an OpenCASCADE sphere: its
// volume deleted, the closing disc stays a surface of the model but outside every physical group.
SetFactory("OpenCASCADE");
Sphere(1) = {0, 0, 0, 1, Pi/4, Pi/2, 2*Pi};
Delete { Volume{1}; }
Physical Surface("cap") = {1};
Physical Curve("rim") = {2};
Mesh.MeshSizeMax = 0.25;
