// The generator's picture module, compiled into the GL test program as well (the test build takes only
// the files of this folder, and the GL program only those named *_gl.cpp).
#include "../../tools/assetgen/picture.cpp"
