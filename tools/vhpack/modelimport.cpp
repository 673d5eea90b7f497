// modelimport: any model assimp reads, made into a 3DS file the engine's reader loads and draws as
// its author meant; and the way back, an archive model as glTF or OBJ.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "core/report.h"
#include "data/rwops.h"
#include "import.h"
#include "meshkit.h"
#include "model/load3ds.h"

namespace {

constexpr size_t kMaxPerObject = 65535; // the 3DS file counts vertices and faces in 16 bits
constexpr size_t kMaxMaterials = 64;    // the engine keeps 64 texture slots per model
constexpr int kPlainSide = 8;           // a material without a texture gets a picture this big

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return Lower(path.substr(dot + 1));
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string Stem(const std::string& name) {
    std::string base = name.substr(name.find_last_of('/') + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base;
}

// A picture name the archive does not hold yet, made of the model's stem and a number.
std::string FreshName(const std::string& stem, int number, const char* ext,
                      const std::function<bool(const std::string&)>& taken, const std::vector<IMP_Entry>& made) {
    std::string base;
    for (char c : Lower(stem))
        base += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') ? c : '_';
    if (base.empty()) base = "model";
    base.resize(std::min<size_t>(base.size(), 40)); // with "_tN.ext", well inside the 63 a map name may have
    for (int n = number;; ++n) {
        const std::string name = base + "_t" + std::to_string(n) + ext;
        bool used = taken(name);
        for (const IMP_Entry& e : made)
            used = used || Lower(e.name) == name;
        if (!used) return name;
    }
}

bool ReadFile(const std::string& path, std::vector<Uint8>* bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    Uint8 buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// A name as the 3DS file keeps it: control bytes (NUL among them) become '_', and it stays short.
std::string Printable(std::string name) {
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '_';
    name.resize(std::min<size_t>(name.size(), 200));
    return name;
}

std::string Thousands(size_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Is the file's up axis z? Files that say so in their metadata are believed; STL and PLY come
// from CAD and scanning tools, which stand things on z; everything else assimp hands over y-up.
bool ZUp(const aiScene* scene, const std::string& ext, char up) {
    if (up) return up == 'z';
    int axis = -1;
    if (scene->mMetaData && scene->mMetaData->Get("UpAxis", axis)) return axis == 2;
    return ext == "stl" || ext == "ply";
}

struct Builder {
    const aiScene* scene;
    std::string source; // the file as the user named it
    std::string folder; // where its textures are looked for; empty when read from memory
    std::string stem;
    IMP_Options options;
    bool zUp = false;
    const std::function<bool(const std::string&)>* taken;
    IMP_Result* result;
    MkModel model;
    std::map<unsigned, std::string> materialOf;   // assimp material index -> our material name
    std::map<std::string, std::string> pictureOf; // texture path -> entry name
    int textures = 0;
    std::vector<std::string> clampedObjects;

    bool Fail(const std::string& why) {
        result->fault = source + ": " + why;
        return false;
    }

    // Stores a texture map (or finds it stored already) and returns its entry name, "" when it
    // cannot be read (a note says so and the material falls back to its colour).
    std::string Texture(const std::string& path) {
        auto known = pictureOf.find(path);
        if (known != pictureOf.end()) return known->second;
        IMP_Rgba picture;
        std::string fault;
        bool decoded = false;
        const aiTexture* embedded = scene->GetEmbeddedTexture(path.c_str());
        if (embedded && embedded->mHeight == 0) {
            decoded = IMP_Decode(reinterpret_cast<const Uint8*>(embedded->pcData), embedded->mWidth, &picture, &fault,
                                 options.magick);
        } else if (embedded && embedded->mWidth > 0 && size_t(embedded->mWidth) * embedded->mHeight <= 64u << 20) {
            picture.width = int(embedded->mWidth);
            picture.height = int(embedded->mHeight);
            picture.rgba.resize(size_t(picture.width) * picture.height * 4);
            for (size_t i = 0; i < size_t(picture.width) * picture.height; ++i) {
                const aiTexel& t = embedded->pcData[i];
                Uint8* d = &picture.rgba[i * 4];
                d[0] = t.r, d[1] = t.g, d[2] = t.b, d[3] = t.a;
                picture.hasAlpha = picture.hasAlpha || t.a != 255;
            }
            decoded = true;
        } else if (!folder.empty() || path.find('/') == 0) {
            std::string file = path;
            std::replace(file.begin(), file.end(), '\\', '/');
            std::vector<Uint8> bytes;
            const bool found = (file[0] == '/' && ReadFile(file, &bytes)) || ReadFile(folder + file, &bytes) ||
                               ReadFile(folder + file.substr(file.find_last_of('/') + 1), &bytes);
            if (found)
                decoded = IMP_Decode(bytes.data(), bytes.size(), &picture, &fault, options.magick);
            else
                fault = "is not found beside the model";
        } else {
            fault = "is not embedded in the model";
        }
        if (!decoded) {
            result->notes.push_back(source + ": texture " + path + " " + fault +
                                    "; its material gets a plain picture of its colour");
            pictureOf[path] = "";
            return "";
        }
        IMP_Options sized; // textures take the nearest powers of two; --size is for pictures alone
        const std::string name =
            FreshName(stem, ++textures, picture.hasAlpha ? ".tga" : ".bmp", *taken, result->entries);
        if (!IMP_Convert(picture, path, name, sized, result)) return "";
        pictureOf[path] = name;
        return name;
    }

    // A plain picture of the colour: the engine draws models in grey 128, which halves the texture,
    // so the picture is twice as bright as the colour wanted.
    std::string PlainPicture(const aiColor3D& colour) {
        IMP_Rgba picture;
        picture.width = picture.height = kPlainSide;
        const Uint8 rgb[3] = {Uint8(std::lround(std::clamp(colour.r * 2.0f, 0.0f, 1.0f) * 255)),
                              Uint8(std::lround(std::clamp(colour.g * 2.0f, 0.0f, 1.0f) * 255)),
                              Uint8(std::lround(std::clamp(colour.b * 2.0f, 0.0f, 1.0f) * 255))};
        for (int i = 0; i < kPlainSide * kPlainSide; ++i)
            picture.rgba.insert(picture.rgba.end(), {rgb[0], rgb[1], rgb[2], 255});
        const std::string key = VH_Format("plain %02x%02x%02x", rgb[0], rgb[1], rgb[2]);
        auto known = pictureOf.find(key);
        if (known != pictureOf.end()) return known->second;
        const std::string name = FreshName(stem, ++textures, ".bmp", *taken, result->entries);
        if (!IMP_Convert(picture, "colour " + key.substr(6), name, IMP_Options(), result)) return "";
        pictureOf[key] = name;
        return name;
    }

    std::string Material(unsigned index) {
        auto known = materialOf.find(index);
        if (known != materialOf.end()) return known->second;
        const aiMaterial* m = index < scene->mNumMaterials ? scene->mMaterials[index] : nullptr;
        aiString aiName;
        std::string name =
            (m && m->Get(AI_MATKEY_NAME, aiName) == AI_SUCCESS && aiName.length) ? aiName.C_Str() : "material";
        name = Printable(name);
        const std::string base = name;
        for (int n = 2;; ++n) {
            bool used = false;
            for (const MkMaterial& other : model.materials)
                used = used || other.name == name;
            if (!used) break;
            name = base + " " + std::to_string(n);
        }
        aiColor3D colour(0.6f, 0.6f, 0.6f);
        if (m) m->Get(AI_MATKEY_COLOR_DIFFUSE, colour);
        std::string map;
        aiString path;
        if (m &&
            (m->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS ||
             m->GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS) &&
            path.length)
            map = Texture(path.C_Str());
        if (map.empty()) map = PlainPicture(colour);
        if (!result->fault.empty()) return "";
        auto clampByte = [](float v) { return Uint8(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
        MK_AddMaterial(model, name, clampByte(colour.r), clampByte(colour.g), clampByte(colour.b), map);
        materialOf[index] = name;
        return name;
    }

    // Texture coordinates that stay within one repeat of the picture are moved into 0..1 whole;
    // others are clamped, and the object named, since the engine clamps its model textures.
    void FitUVs(MkMesh& mesh, const std::string& object) {
        if (mesh.uvs.empty()) return;
        float lo[2] = {mesh.uvs[0].u, mesh.uvs[0].v}, hi[2] = {lo[0], lo[1]};
        for (const MkVec2& t : mesh.uvs) {
            lo[0] = std::min(lo[0], t.u), hi[0] = std::max(hi[0], t.u);
            lo[1] = std::min(lo[1], t.v), hi[1] = std::max(hi[1], t.v);
        }
        float shift[2] = {0, 0};
        bool clamped = false;
        for (int k = 0; k < 2; ++k) {
            if (lo[k] >= 0 && hi[k] <= 1) continue;
            const float whole = std::floor(lo[k]);
            if (hi[k] - whole <= 1.0f)
                shift[k] = whole;
            else
                clamped = true;
        }
        for (MkVec2& t : mesh.uvs) {
            t.u = std::clamp(t.u - shift[0], 0.0f, 1.0f);
            t.v = std::clamp(t.v - shift[1], 0.0f, 1.0f);
        }
        if (clamped)
            result->notes.push_back(VH_Format("%s: %s: texture coordinates repeat outside 0..1 (u %.2f..%.2f, v "
                                              "%.2f..%.2f); the engine clamps them, so the picture shows once",
                                              source.c_str(), object.c_str(), lo[0], hi[0], 1 - hi[1], 1 - lo[1]));
    }

    void AddObject(const std::string& wanted, MkMesh&& mesh, const std::string& material) {
        std::string name = Printable(wanted.empty() ? "object" : wanted);
        const std::string base = name;
        for (int n = 2;; ++n) {
            bool used = false;
            for (const MkObject& o : model.objects)
                used = used || Lower(o.name) == Lower(name);
            if (!used) break;
            name = base + "_" + std::to_string(n);
        }
        MK_AddObject(model, name, mesh, material);
    }

    // One assimp mesh placed by its node's transform; split in pieces of at most 65,535 vertices
    // and faces, since the file counts them in 16 bits.
    void AddMesh(const aiMesh* mesh, const aiMatrix4x4& transform, const std::string& nodeName) {
        if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || !mesh->mNumFaces) return;
        const std::string material = Material(mesh->mMaterialIndex);
        if (!result->fault.empty()) return;
        // A mirroring transform turns the faces inside out; wind them back.
        const bool mirrored = transform.Determinant() < 0;
        const std::string name = mesh->mName.length ? mesh->mName.C_Str() : nodeName;
        MkMesh piece;
        std::vector<long long> remap(mesh->mNumVertices, -1);
        auto flush = [&]() {
            if (piece.faces.empty()) return;
            FitUVs(piece, name + " (material " + material + ")");
            AddObject(name, std::move(piece), material);
            piece = MkMesh();
            std::fill(remap.begin(), remap.end(), -1);
        };
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            if (piece.positions.size() + 3 > kMaxPerObject || piece.faces.size() + 1 > kMaxPerObject) flush();
            if (face.mIndices[0] >= mesh->mNumVertices || face.mIndices[1] >= mesh->mNumVertices ||
                face.mIndices[2] >= mesh->mNumVertices)
                continue;
            Uint32 corner[3];
            for (int k = 0; k < 3; ++k) {
                const unsigned v = face.mIndices[k];
                if (remap[v] < 0) {
                    aiVector3D p = transform * mesh->mVertices[v];
                    if (zUp) p = aiVector3D(p.x, p.z, -p.y);
                    remap[v] = (long long)(piece.positions.size());
                    piece.positions.push_back({p.x, p.y, p.z});
                    const aiVector3D t = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][v] : aiVector3D(0.5f);
                    piece.uvs.push_back({t.x, t.y});
                }
                corner[k] = Uint32(remap[v]);
            }
            piece.faces.push_back(mirrored ? MkFace{corner[0], corner[2], corner[1]}
                                           : MkFace{corner[0], corner[1], corner[2]});
        }
        flush();
    }

    void Walk(const aiNode* node, const aiMatrix4x4& parent, int depth) {
        if (!node || depth > 256 || !result->fault.empty()) return;
        const aiMatrix4x4 transform = parent * node->mTransformation;
        for (unsigned i = 0; i < node->mNumMeshes && result->fault.empty(); ++i)
            if (node->mMeshes[i] < scene->mNumMeshes)
                AddMesh(scene->mMeshes[node->mMeshes[i]], transform, node->mName.C_Str());
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            Walk(node->mChildren[i], transform, depth + 1);
    }

    void Fit() {
        MkVec3 lo, hi;
        if (options.fit <= 0 || !MK_Bounds(model, &lo, &hi)) return;
        const float extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
        if (!(extent > 0) || !std::isfinite(extent)) return;
        const float s = options.fit / extent;
        for (MkObject& o : model.objects)
            MK_Scale(o.mesh, MK_Vec3(s, s, s));
    }
};

bool Convert(const aiScene* scene, const std::string& path, const std::string& folder, const std::string& name,
             const IMP_Options& options, const std::function<bool(const std::string&)>& taken, IMP_Result* result);

} // namespace

bool IMP_Model(const std::string& path, const Uint8* data, size_t size, const std::string& name,
               const IMP_Options& options, const std::function<bool(const std::string&)>& taken, IMP_Result* result) {
    Assimp::Importer importer;
    // Points and lines have no place in a 3DS model: drop them instead of failing.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    importer.SetPropertyBool(AI_CONFIG_PP_FD_REMOVE, true);
    const unsigned flags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_SortByPType |
                           aiProcess_FindDegenerates | aiProcess_FindInvalidData | aiProcess_FlipUVs |
                           aiProcess_ValidateDataStructure;
    const std::string ext = Extension(path);
    const aiScene* scene =
        data ? importer.ReadFileFromMemory(data, size, flags, ext.c_str()) : importer.ReadFile(path, flags);
    if (!scene) {
        std::string why = importer.GetErrorString();
        std::replace(why.begin(), why.end(), '\n', ' ');
        result->fault = path.substr(path.find_last_of('/') + 1) + ": is no model the importer reads (" + why + ")";
        IMP_KeepOneLine(result);
        return false;
    }
    std::string folder = data ? "" : Folder(path);
    if (!data && folder.empty()) folder = "./";
    return IMP_ConvertScene(scene, path, folder, name, options, taken, result);
}

bool IMP_ConvertScene(const aiScene* scene, const std::string& path, const std::string& folder, const std::string& name,
                      const IMP_Options& options, const std::function<bool(const std::string&)>& taken,
                      IMP_Result* result) {
    const bool ok = Convert(scene, path, folder, name, options, taken, result);
    IMP_KeepOneLine(result);
    return ok;
}

namespace {

bool Convert(const aiScene* scene, const std::string& path, const std::string& folder, const std::string& name,
             const IMP_Options& options, const std::function<bool(const std::string&)>& taken, IMP_Result* result) {
    Builder b;
    b.scene = scene;
    b.source = path.substr(path.find_last_of('/') + 1);
    b.folder = folder;
    b.stem = Stem(name);
    b.options = options;
    b.zUp = ZUp(scene, Extension(path), options.up);
    b.taken = &taken;
    b.result = result;
    b.Walk(scene->mRootNode, aiMatrix4x4(), 0);
    if (!result->fault.empty()) return false;
    if (b.model.objects.empty()) return b.Fail("the model holds no faces");
    if (b.model.materials.size() > kMaxMaterials)
        return b.Fail(VH_Format("has %zu materials, more than the 64 a model may use; join some in the modeller",
                                b.model.materials.size()));
    b.Fit();
    const std::string fault = MK_Check(b.model);
    if (!fault.empty()) return b.Fail(fault);
    IMP_Entry entry;
    entry.name = name;
    entry.bytes = MK_Write3DS(b.model);
    size_t faces = 0;
    for (const MkObject& o : b.model.objects)
        faces += o.mesh.faces.size();
    const size_t objects = b.model.objects.size();
    entry.line = VH_Format("%s -> %s: %zu object%s, %s face%s, %d texture%s", b.source.c_str(), name.c_str(), objects,
                           objects == 1 ? "" : "s", Thousands(faces).c_str(), faces == 1 ? "" : "s", b.textures,
                           b.textures == 1 ? "" : "s");
    result->entries.insert(result->entries.begin(), std::move(entry));
    return true;
}

} // namespace

// ---- export ------------------------------------------------------------------------------------

bool IMP_ExportModel(const void* data, Uint32 size, const std::string& path,
                     const std::function<bool(const std::string&, std::vector<Uint8>*)>& picture, bool force,
                     std::vector<std::string>* written, std::string* fault) {
    const std::string ext = Extension(path);
    const char* format = ext == "gltf" ? "gltf2" : ext == "glb" ? "glb2" : ext == "obj" ? "obj" : nullptr;
    if (!format) {
        *fault = "a model is exported as .gltf, .glb or .obj";
        return false;
    }
    VH_RWops* rw = size <= 0x7FFFFFFF ? VH_RWFromMem(const_cast<void*>(data), int(size)) : nullptr;
    t3DModel model;
    CLoad3DS_RW reader;
    const bool read = rw && reader.Load(&model, rw, true);
    if (!read || model.objectCount <= 0) {
        MESH_FreeModelData(&model);
        *fault = "does not read as a 3DS model";
        return false;
    }
    // Our 3DS model as an assimp scene: one mesh per object under the root, one material per
    // material of the file with its texture written beside the export as PNG.
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("root");
    scene->mNumMaterials = unsigned(std::max(model.materialCount, 0)) + 1; // the last: objects without one
    scene->mMaterials = new aiMaterial*[scene->mNumMaterials](); // nulls until made: a failure frees only those
    const std::string folder = Folder(path);
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        auto* m = new aiMaterial();
        scene->mMaterials[i] = m;
        const bool real = int(i) < model.materialCount;
        aiString name(real ? model.materials[i].name : "plain");
        m->AddProperty(&name, AI_MATKEY_NAME);
        aiColor3D colour(0.5f, 0.5f, 0.5f);
        if (real)
            colour = aiColor3D(model.materials[i].colour[0] / 255.0f, model.materials[i].colour[1] / 255.0f,
                               model.materials[i].colour[2] / 255.0f);
        m->AddProperty(&colour, 1, AI_MATKEY_COLOR_DIFFUSE);
        if (!real || !model.materials[i].textureFile[0]) continue;
        const std::string map = model.materials[i].textureFile;
        std::vector<Uint8> png;
        if (!picture(map, &png)) continue;
        const std::string file = Stem(map) + ".png";
        std::vector<Uint8> existing;
        if (!force && ReadFile(folder + file, &existing)) {
            MESH_FreeModelData(&model);
            *fault = folder + file + " exists, kept (--force overwrites)";
            return false;
        }
        std::FILE* f = std::fopen((folder + file).c_str(), "wb");
        const int error = f ? 0 : errno;
        bool ok = f && std::fwrite(png.data(), 1, png.size(), f) == png.size();
        ok = f && std::fclose(f) == 0 && ok;
        if (!ok) {
            MESH_FreeModelData(&model);
            *fault = "cannot write " + folder + file + (error ? std::string(": ") + std::strerror(error) : "");
            return false;
        }
        written->push_back(folder + file);
        aiString uri(file);
        m->AddProperty(&uri, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    scene->mNumMeshes = unsigned(model.objectCount);
    scene->mMeshes = new aiMesh*[scene->mNumMeshes];
    scene->mRootNode->mNumMeshes = scene->mNumMeshes;
    scene->mRootNode->mMeshes = new unsigned[scene->mNumMeshes];
    for (int i = 0; i < model.objectCount; ++i) {
        const t3DObject& o = model.objects[i];
        auto* mesh = new aiMesh();
        scene->mMeshes[i] = mesh;
        scene->mRootNode->mMeshes[i] = unsigned(i);
        mesh->mName = aiString(o.name);
        mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
        mesh->mMaterialIndex =
            o.material >= 0 && o.material < model.materialCount ? unsigned(o.material) : scene->mNumMaterials - 1;
        mesh->mNumVertices = unsigned(o.vertexCount);
        mesh->mVertices = new aiVector3D[mesh->mNumVertices];
        mesh->mNormals = new aiVector3D[mesh->mNumVertices];
        const bool uv = o.texCoordCount == o.vertexCount && o.texCoords;
        if (uv) {
            mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
            mesh->mNumUVComponents[0] = 2;
        }
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            mesh->mVertices[v] = aiVector3D(o.vertices[v * 3], o.vertices[v * 3 + 1], o.vertices[v * 3 + 2]);
            mesh->mNormals[v] = aiVector3D(o.normals[v * 3], o.normals[v * 3 + 1], o.normals[v * 3 + 2]);
            // Our files keep v = 0 at the picture's top; assimp keeps it at the bottom.
            if (uv) mesh->mTextureCoords[0][v] = aiVector3D(o.texCoords[v * 2], 1.0f - o.texCoords[v * 2 + 1], 0);
        }
        mesh->mNumFaces = unsigned(o.faceCount);
        mesh->mFaces = new aiFace[mesh->mNumFaces];
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            mesh->mFaces[f].mNumIndices = 3;
            mesh->mFaces[f].mIndices = new unsigned[3]{o.faces[f * 3], o.faces[f * 3 + 1], o.faces[f * 3 + 2]};
        }
    }
    MESH_FreeModelData(&model);
    Assimp::Exporter exporter;
    if (exporter.Export(scene.get(), format, path) != AI_SUCCESS) {
        std::string why = exporter.GetErrorString();
        std::replace(why.begin(), why.end(), '\n', ' ');
        *fault = "cannot be exported (" + why + ")";
        return false;
    }
    written->push_back(path);
    return true;
}
