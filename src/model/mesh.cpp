// mesh: the mesh manager. No model is loaded until the 3DS reader lands.
#include "model/mesh.h"

#include <cstring>

t3DObject::t3DObject()
    : vertexCount(0), faceCount(0), texCoordCount(0), material(-1), textured(0), name(), vertices(nullptr),
      normals(nullptr), texCoords(nullptr), faces(nullptr), ownsArrays(0) {
    std::strcpy(name, "DefaultObjectName");
}

void MESH_Init() {}
void MESH_Close() {}
int MESH_Count() { return 0; }
