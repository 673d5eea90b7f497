// scene1: the night beach's models, pictures and flyer paths (the parts live in scene1_*.cpp).
#include "scene1_layout.h"

void NB_ToModel(MkMesh& mesh, const NbPlacement& place) {
    MK_Translate(mesh, {-place.position.x, -place.position.y, -place.position.z});
    MK_RotateY(mesh, place.rotY);
    MK_Scale(mesh, {1.0f / place.scale.x, 1.0f / place.scale.y, 1.0f / place.scale.z});
}

void AddSceneOneAssets(AssetSink& sink) {
    NB_AddLand(sink);
    NB_AddCity(sink);
    NB_AddProps(sink);
    NB_AddPaths(sink);
}
