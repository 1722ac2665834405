#pragma once

// The encoder's pixel-to-module transform: nine single-precision floats row
// by row (m0 m1 m2 / m3 m4 m5 / m6 m7 m8). Points are row vectors,
// (x, y, 1) x M, so translation sits in m6 and m7.
struct Matrix3 {
  float m[9];
};
