// fuzz_import: vhpack's import of people's pictures and models. The first byte picks how the rest
// is read. Even: as picture bytes stored under a .bmp or a .tga name (stb's decoders and our
// resampling and encoding). Odd: as a description of a model scene, the shape a model library
// hands over (nodes with transforms, meshes with vertices, texture coordinates and faces whose
// numbers may be anything, materials with colours and texture paths, embedded pictures), which the
// conversion turns into a 3DS model and its texture maps. The libraries' own file parsers run in
// vhpack's helper process, where their hangs and crashes are contained; they are not what this
// target looks for. Whatever the import stores must pass the demo's own asset check, texture maps
// included, as vhpack checks before it commits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <assimp/material.h>
#include <assimp/scene.h>

#include "data/resfile.h"
#include "fuzz_input.h"
#include "import.h"
#include "shell/assetcheck.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Every entry passes the check, with the model's texture maps looked up among the entries made.
void CheckStored(const IMP_Result& result) {
    CResFile res;
    res.Open("/tmp/fuzz_import.never-written.clu", "w"); // never committed, so never written
    for (const IMP_Entry& e : result.entries)
        Check(res.AddEntry(e.name.c_str(), 0, const_cast<std::uint8_t*>(e.bytes.data()),
                           static_cast<Uint32>(e.bytes.size()), false));
    for (const IMP_Entry& e : result.entries) {
        Check(!e.line.empty() && e.line.find('\n') == std::string::npos);
        Check(VH_CheckAssetBytes(e.name.c_str(), e.bytes.data(), static_cast<Uint32>(e.bytes.size()), &res).empty());
    }
}

// A float that is often ordinary and sometimes not: huge, tiny, infinite or not a number.
float Number(FuzzInput& in) {
    const std::uint8_t kind = in.U8();
    switch (kind % 16) {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return std::numeric_limits<float>::infinity();
    case 2:
        return 3e38f;
    case 3: {
        std::uint32_t bits = in.U16() | std::uint32_t(in.U16()) << 16;
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    default:
        return (static_cast<int>(in.U8()) - 128) / 16.0f;
    }
}

aiNode* Node(FuzzInput& in, unsigned meshes, int depth) {
    aiNode* node = new aiNode(in.Text(in.U8() % 12));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (in.U8() & 1) node->mTransformation[r][c] = Number(in);
    node->mNumMeshes = in.U8() % 4;
    node->mMeshes = new unsigned[node->mNumMeshes];
    for (unsigned i = 0; i < node->mNumMeshes; ++i)
        node->mMeshes[i] = in.U8() % (meshes + 1); // sometimes one past the end
    if (depth < 3 && !in.Empty()) {
        node->mNumChildren = in.U8() % 3;
        node->mChildren = new aiNode*[node->mNumChildren];
        for (unsigned i = 0; i < node->mNumChildren; ++i) {
            node->mChildren[i] = Node(in, meshes, depth + 1);
            node->mChildren[i]->mParent = node;
        }
    }
    return node;
}

aiScene* Scene(FuzzInput& in) {
    aiScene* scene = new aiScene();
    scene->mNumTextures = in.U8() % 3;
    scene->mTextures = new aiTexture*[scene->mNumTextures];
    for (unsigned i = 0; i < scene->mNumTextures; ++i) {
        aiTexture* t = new aiTexture();
        scene->mTextures[i] = t;
        t->mFilename = aiString("*" + std::to_string(i));
        if (in.U8() & 1) { // compressed: file bytes
            const std::vector<std::uint8_t> bytes = in.Bytes(in.U16() % 2048);
            t->mWidth = static_cast<unsigned>(bytes.size());
            t->pcData = new aiTexel[bytes.size() / sizeof(aiTexel) + 1]; // the texture frees it as texels
            if (!bytes.empty()) std::memcpy(t->pcData, bytes.data(), bytes.size());
        } else { // raw texels
            t->mWidth = in.U8() % 20;
            t->mHeight = 1 + in.U8() % 20;
            t->pcData = new aiTexel[t->mWidth * t->mHeight];
            for (unsigned k = 0; k < t->mWidth * t->mHeight; ++k)
                t->pcData[k] = aiTexel{in.U8(), in.U8(), in.U8(), in.U8()};
        }
    }
    scene->mNumMaterials = 1 + in.U8() % 4;
    scene->mMaterials = new aiMaterial*[scene->mNumMaterials];
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        aiMaterial* m = new aiMaterial();
        scene->mMaterials[i] = m;
        if (in.U8() & 1) {
            aiString name(in.Text(in.U8() % 8));
            m->AddProperty(&name, AI_MATKEY_NAME);
        }
        aiColor3D colour(Number(in), Number(in), Number(in));
        m->AddProperty(&colour, 1, AI_MATKEY_COLOR_DIFFUSE);
        if (in.U8() & 1) {
            aiString path(in.U8() & 1 ? "*" + std::to_string(in.U8() % 4) : in.Text(in.U8() % 8));
            m->AddProperty(&path, AI_MATKEY_TEXTURE_DIFFUSE(0));
        }
    }
    scene->mNumMeshes = in.U8() % 4;
    scene->mMeshes = new aiMesh*[scene->mNumMeshes];
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        aiMesh* mesh = new aiMesh();
        scene->mMeshes[i] = mesh;
        mesh->mName = aiString(in.Text(in.U8() % 6));
        mesh->mPrimitiveTypes = in.U8() & 7 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_LINE;
        mesh->mMaterialIndex = in.U8() % (scene->mNumMaterials + 1);
        // Sometimes more than a 3DS object can hold, so that the split is reached.
        mesh->mNumVertices = in.U8() & 0x80 ? 70000u + in.U8() : 1u + in.U8() % 64;
        mesh->mVertices = new aiVector3D[mesh->mNumVertices];
        const bool uv = in.U8() & 1;
        if (uv) mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const bool plain = v >= 64; // the long tail of a big mesh costs no input
            mesh->mVertices[v] = plain ? aiVector3D(float(v % 97), float(v % 89), float(v / 97))
                                       : aiVector3D(Number(in), Number(in), Number(in));
            if (uv) mesh->mTextureCoords[0][v] = plain ? aiVector3D(0.5f) : aiVector3D(Number(in), Number(in), 0);
        }
        const bool big = mesh->mNumVertices > 65535;
        mesh->mNumFaces = big ? mesh->mNumVertices / 3 + in.U8() : in.U8() % 64;
        mesh->mFaces = new aiFace[mesh->mNumFaces];
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            aiFace& face = mesh->mFaces[f];
            face.mNumIndices = big || (in.U8() & 7) ? 3 : in.U8() % 5;
            face.mIndices = new unsigned[face.mNumIndices];
            for (unsigned k = 0; k < face.mNumIndices; ++k)
                face.mIndices[k] = big ? (f * 3 + k) % mesh->mNumVertices : in.U8() % (mesh->mNumVertices + 2);
        }
    }
    scene->mRootNode = Node(in, scene->mNumMeshes, 0);
    return scene;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t pick = data[0];
    IMP_Options options;
    options.magick = false;
    IMP_Result result;
    bool ok;
    if (pick % 2 == 0) {
        const std::vector<std::uint8_t> bytes(data + 1, data + size); // exact size: a read past it is caught
        ok = IMP_Picture(bytes.data(), bytes.size(), "in", pick & 2 ? "p.tga" : "p.bmp", options, &result);
        if (ok) Check(result.entries.size() == 1);
    } else {
        FuzzInput in(data + 1, size - 1);
        options.fit = pick & 2 ? 10.0f : 0.0f;
        options.up = pick & 4 ? 'z' : 0;
        aiScene* scene = Scene(in);
        ok = IMP_ConvertScene(
            scene, pick & 8 ? "in.stl" : "in.obj", "", "m.3ds", options,
            [](const std::string& name) { return name == "m_t1.bmp"; }, &result);
        delete scene;
        if (ok) Check(!result.entries.empty() && result.entries[0].name == "m.3ds");
    }
    Check(ok == result.fault.empty());
    Check(result.fault.find('\n') == std::string::npos);
    if (ok) CheckStored(result);
    return 0;
}
