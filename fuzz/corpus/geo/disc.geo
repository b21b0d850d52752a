// A flat circular membrane of radius 10 (mm) in the X-Y plane: its rim is the physical curve
// "rim", its face the physical surface "membrane".
size = 2.0;
Point(1) = {0, 0, 0, size};
Point(2) = {10, 0, 0, size};
Point(3) = {0, 10, 0, size};
Point(4) = {-10, 0, 0, size};
Point(5) = {0, -10, 0, size};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve("rim") = {1, 2, 3, 4};
Physical Surface("membrane") = {1};
