// grid: the textured height grid, one translucent sheet of quads lifted by a height array
// that a scene draws as its water or ground surface. One grid at a time, held here.
// uses: nothing of ours
#pragma once

// Sets the grid: cols x rows heights, row by row (index cols * j + i). The array stays
// owned by the caller and must outlive the grid. Alpha and scale return to their defaults.
void GRID_Set(int cols, int rows, const float* heights);
int GRID_Cols();
int GRID_Rows();
void GRID_SetAlpha(float alpha);
void GRID_SetScale(float x, float y, float z);
// Draws the grid with whatever texture is bound; blending is left as the caller has it.
void GRID_Draw();
void GRID_Reset();
