// A tube of radius 10 and length 200 along Z: the circle at z = 0 swept to z = 200. Its end
// circles are the physical curves "end0" and "end1", its wall the physical surface "wall".
// The element size comes from the problem file's mesh_size.
r = 10.0;
l = 200.0;
Point(1) = {0, 0, 0, r};
Point(2) = {r, 0, 0, r};
Point(3) = {0, r, 0, r};
Point(4) = {-r, 0, 0, r};
Point(5) = {0, -r, 0, r};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
wall[] = Extrude {0, 0, l} { Curve{1, 2, 3, 4}; };
Physical Curve("end0") = {1, 2, 3, 4};
Physical Curve("end1") = {wall[0], wall[4], wall[8], wall[12]};
Physical Surface("wall") = {wall[1], wall[5], wall[9], wall[13]};
