// SystemCall "touch escaped"; Exit;
/* Save "out.msh"; /* Sleep 1; */
s = "Printf(\"x\") > \"f\"";
Point(1) = {0, 0, 0, 0.5}; Point(2) = {1, 0, 0, 0.5}; Point(3) = {0, 1, 0, 0.5};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 1};
Curve Loop(1) = {1, 2, 3}; Plane Surface(1) = {1};
Physical Surface("face") = {1}; Physical Curve("rim") = {1, 2, 3};
