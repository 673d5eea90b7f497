// scene4: the small scene the tests add to the sequence with one row.
#pragma once

// The scene's handler, as the sequence table takes it.
void View4Main(float seconds, int param);
// The chair's turn so far, in degrees.
float V4_GetAngle();
