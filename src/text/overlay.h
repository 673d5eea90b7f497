// overlay: flat rectangles over the 3D picture in window pixels (y down), for the
// intro pictures, the fades and the console panel. Passes do not nest.
// uses: core
#pragma once

void CON_Begin2D(bool textured);
void CON_End2D();
void CON_DrawTexturedRect(float x0, float x1, float y0, float y1);
void CON_DrawRect(float x0, float x1, float y0, float y1);
