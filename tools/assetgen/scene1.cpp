// scene1: the models, textures and paths of scene one (made with the mesh kit).
#include "assets.h"
#include "meshkit.h"
#include "picture.h"

void AddSceneOneAssets(AssetSink& sink) {
    (void)sink; // the scene's own assets are added here
}
