Macro Square
  p = newp;
  Point(p) = {x, 0, 0, 0.25}; Point(p + 1) = {x + 1, 0, 0, 0.25};
  Point(p + 2) = {x + 1, 1, 0, 0.25}; Point(p + 3) = {x, 1, 0, 0.25};
  l = newl;
  For k In {0:3}
    Line(l + k) = {p + k, p + (k + 1) % 4};
  EndFor
  Curve Loop(l) = {l:l + 3};
  Plane Surface(l) = {l};
Return
For x In {0:4:2}
  Call Square;
EndFor
If (x > 3)
  Mesh.MeshSizeMax = 0.3;
EndIf
