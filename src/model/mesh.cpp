// mesh: the mesh manager. No model is loaded until the 3DS reader lands.
#include "model/mesh.h"

void MESH_Init() {}
void MESH_Close() {}
int MESH_Count() { return 0; }
