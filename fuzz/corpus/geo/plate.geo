// A plate 40 x 20 (mm) in the X-Y plane with a central hole of radius 5. Physical groups: the
// edges "left" and "right", the corner point "pin" at the origin, the surface "plate".
size = 2.5;
hole = 1.0;
Point(1) = {0, 0, 0, size};
Point(2) = {40, 0, 0, size};
Point(3) = {40, 20, 0, size};
Point(4) = {0, 20, 0, size};
Point(5) = {20, 10, 0, hole};
Point(6) = {25, 10, 0, hole};
Point(7) = {20, 15, 0, hole};
Point(8) = {15, 10, 0, hole};
Point(9) = {20, 5, 0, hole};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Circle(5) = {6, 5, 7};
Circle(6) = {7, 5, 8};
Circle(7) = {8, 5, 9};
Circle(8) = {9, 5, 6};
Curve Loop(1) = {1, 2, 3, 4};
Curve Loop(2) = {5, 6, 7, 8};
Plane Surface(1) = {1, 2};
Physical Curve("left") = {4};
Physical Curve("right") = {2};
Physical Point("pin") = {1};
Physical Surface("plate") = {1};
