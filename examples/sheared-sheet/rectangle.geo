// A rectangle of 600 by 100 (mm) in the X-Y plane: its long edges are the physical curves
// "bottom" (y = 0) and "top" (y = 100), its face the physical surface "sheet". The element size
// comes from the problem file's mesh_size.
Point(1) = {0, 0, 0};
Point(2) = {600, 0, 0};
Point(3) = {600, 100, 0};
Point(4) = {0, 100, 0};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve("bottom") = {1};
Physical Curve("top") = {3};
Physical Surface("sheet") = {1};
