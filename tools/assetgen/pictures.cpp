// pictures: the pictures every scene shares.
#include "generator.h"
#include "picture.h"

void AG_AddSharedPictures(AssetSink& sink) { (void)sink; }
