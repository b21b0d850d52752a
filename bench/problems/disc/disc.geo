// A flat circular membrane of radius 100 (mm) in the X-Y plane. Its centre is a node of the
// mesh (the pole); the rim is the physical curve "rim", the face the physical surface
// "membrane". The element size comes from the problem file's mesh_size.
r = 100.0;
Point(1) = {0, 0, 0, r};
Point(2) = {r, 0, 0, r};
Point(3) = {0, r, 0, r};
Point(4) = {-r, 0, 0, r};
Point(5) = {0, -r, 0, r};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Point{1} In Surface{1};
Physical Curve("rim") = {1, 2, 3, 4};
Physical Surface("membrane") = {1};
