// One quarter of one sheet of a square airbag: the square of 1.2 m diagonal (side 848.5 mm)
// cut along its two mid-lines, in mm. The corner at the origin is the airbag's centre; the
// edges on the X and Y axes lie in the two symmetry planes through the centre, the other two
// are the seam where the upper and the lower sheet meet, in the plane z = 0. The element size
// comes from the problem file's mesh_size.
h = 600.0 / Sqrt(2.0);
Point(1) = {0, 0, 0, h};
Point(2) = {h, 0, 0, h};
Point(3) = {h, h, 0, h};
Point(4) = {0, h, 0, h};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve("in_zx") = {1};
Physical Curve("in_yz") = {4};
Physical Curve("seam") = {2, 3};
Physical Surface("sheet") = {1};
