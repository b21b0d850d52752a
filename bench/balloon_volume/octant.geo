// An eighth of a sphere of radius 1: the spherical triangle between the X, Y and Z axes. Each of
// its three edges lies in a coordinate plane through the centre, where the whole sphere's
// symmetry holds the sheet. The problem file sets the element size (mesh_size).
size = 1.0;
Point(1) = {0, 0, 0, size};
Point(2) = {1, 0, 0, size};
Point(3) = {0, 1, 0, size};
Point(4) = {0, 0, 1, size};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 2};
Curve Loop(1) = {1, 2, 3};
Surface(1) = {1} In Sphere {1};
Physical Curve("in_xy") = {1};
Physical Curve("in_yz") = {2};
Physical Curve("in_zx") = {3};
Physical Surface("skin") = {1};
