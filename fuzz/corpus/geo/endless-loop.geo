For i In {1:1e12}
  x = i;
EndFor
