// scene2: the models, textures and paths of scene two (made with the mesh kit).
#include "assets.h"
#include "meshkit.h"
#include "picture.h"

void AddSceneTwoAssets(AssetSink& sink) {
    (void)sink; // the scene's own assets are added here
}
