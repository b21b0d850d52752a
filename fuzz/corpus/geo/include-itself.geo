Include "fuzz.geo";
Point(1) = {0, 0, 0};
