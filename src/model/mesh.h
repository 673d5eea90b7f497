// mesh: the mesh manager, base models loaded once and the instances placed from them.
#pragma once

void MESH_Init();
void MESH_Close();
int MESH_Count();
