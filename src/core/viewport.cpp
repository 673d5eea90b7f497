// viewport: the window's size and field of view.
#include "core/viewport.h"

int VH_WindowWidth = 800;
int VH_WindowHeight = 600;
float VH_FOV = 60.0f;
