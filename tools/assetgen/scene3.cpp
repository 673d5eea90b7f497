// scene3: the models, textures and paths of scene three (made with the mesh kit).
#include "assets.h"
#include "meshkit.h"
#include "picture.h"

void AddSceneThreeAssets(AssetSink& sink) {
    (void)sink; // the scene's own assets are added here
}
