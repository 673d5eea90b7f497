// import: turns people's pictures and models into entries the demo reads, and back.
//
// Pictures of any kind stb's decoders read become a 24-bit BMP (opaque) or a 32-bit TGA (with
// alpha) with power-of-two sides; models of any kind assimp reads become a 3DS file written by the
// mesh kit, its texture maps imported as pictures. Everything works on bytes in memory so the
// fuzz target can drive it; vhpack's import and export commands wrap it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/types.h"

struct IMP_Options {
    int width = 0; // --size: both sides, powers of two from 2 to 2048; 0 = nearest powers of two
    int height = 0;
    float fit = 0; // --fit: the model's largest extent in engine units; 0 = as authored
    char up = 0;   // --up: 'y' or 'z'; 0 = what the file says or its kind's custom
    // Pictures stb refuses go to ImageMagick. The fuzz target turns this off: like assimp, that
    // library runs in vhpack's helper process, where its hangs and crashes cannot reach the archive.
    bool magick = true;
};

// One entry to store and the line that says what it became.
struct IMP_Entry {
    std::string name;
    std::vector<Uint8> bytes;
    std::string line;
};

struct IMP_Result {
    std::vector<IMP_Entry> entries;
    std::vector<std::string> notes; // things the user should know: dropped alpha, clamped UVs...
    std::string fault;              // one line when the import failed (nothing is stored then)
};

enum IMP_Kind { IMP_PICTURE, IMP_MODEL, IMP_UNKNOWN };

// What a file is by its extension (lower case compared), else "" .
IMP_Kind IMP_KindOfName(const std::string& path);
// The formats import takes, for the refusal line.
const char* IMP_FormatsText();

// True when a side is one the engine's textures take (a power of two from 2 to 2048).
bool IMP_IsSide(int n);
// The power of two within 2..2048 nearest to n (the larger one on a tie).
int IMP_NearestSide(int n);

// Decodes picture bytes and converts them into the entry `name`, whose extension (.bmp or .tga)
// decides the format. `source` names the input in the summary line. False with result->fault set
// when the bytes are no picture stb reads or name has another extension.
bool IMP_Picture(const Uint8* data, size_t size, const std::string& source, const std::string& name,
                 const IMP_Options& options, IMP_Result* result);

// A model read by assimp from `path` (materials and textures beside it are found through the file
// system) or, with data set, from those bytes with `path`'s extension as the format hint.
// `taken` says whether an entry name is already used; texture pictures get fresh names. The first
// entry of the result is the model itself, stored as `name`.
bool IMP_Model(const std::string& path, const Uint8* data, size_t size, const std::string& name,
               const IMP_Options& options, const std::function<bool(const std::string&)>& taken, IMP_Result* result);

// The steps of IMP_Picture, for texture maps that arrive as pixels (embedded in a model file).
struct IMP_Rgba {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;   // some pixel is not fully opaque
    std::vector<Uint8> rgba; // rows top first
};
bool IMP_Decode(const Uint8* data, size_t size, IMP_Rgba* picture, std::string* fault, bool magick = true);
bool IMP_Convert(const IMP_Rgba& picture, const std::string& source, const std::string& name,
                 const IMP_Options& options, IMP_Result* result);
// Control bytes in the fault, notes and lines (names from a file) shown as \xNN: one line each.
void IMP_KeepOneLine(IMP_Result* result);
// PNG bytes of RGBA pixels (rows top first); empty when they cannot be encoded.
std::vector<Uint8> IMP_EncodePNG(const IMP_Rgba& picture);

// The conversion step of IMP_Model for a scene already read: `path` names the file (its extension
// tells STL and PLY apart), `folder` is where texture files are looked for ("" for none).
struct aiScene;
bool IMP_ConvertScene(const aiScene* scene, const std::string& path, const std::string& folder, const std::string& name,
                      const IMP_Options& options, const std::function<bool(const std::string&)>& taken,
                      IMP_Result* result);

// Export: an archive picture (BMP or TGA bytes) as PNG bytes; empty with *fault set when it does not
// decode.
std::vector<Uint8> IMP_PictureToPNG(const void* data, Uint32 size, std::string* fault);
// Export: an archive model as a glTF (.gltf with its .bin, or .glb) or OBJ file at `path`, its
// textures written beside it as PNG made by `picture(name, *png)`, which returns false when the
// archive lacks the picture. Existing texture files are kept (a fault) unless force. False with
// *fault on failure; *written lists the files made.
bool IMP_ExportModel(const void* data, Uint32 size, const std::string& path,
                     const std::function<bool(const std::string&, std::vector<Uint8>*)>& picture, bool force,
                     std::vector<std::string>* written, std::string* fault);
