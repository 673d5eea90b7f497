// The generator's meshkit module, compiled into this test program (the test build takes only the files
// of this folder).
#include "../../tools/assetgen/meshkit.cpp"
