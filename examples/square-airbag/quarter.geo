// One quarter of one sheet of a square airbag of 1.2 m diagonal, in mm: the square's diagonals
// lie on the X and Y axes, and the quarter is the triangle between them and one side of the
// square. The edges on the axes lie in the two symmetry planes; the third edge is the seam,
// where the upper and the lower sheet meet in the plane z = 0. The element size comes from the
// problem file's mesh_size.
Point(1) = {0, 0, 0};
Point(2) = {600, 0, 0};
Point(3) = {0, 600, 0};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 1};
Curve Loop(1) = {1, 2, 3};
Plane Surface(1) = {1};
Physical Curve("on_x_axis") = {1};
Physical Curve("seam") = {2};
Physical Curve("on_y_axis") = {3};
Physical Surface("sheet") = {1};
