// Model mode's reader: meshes, hierarchy, HLOD and box of one W3D model file,
// the skeleton file found beside it, and the report built from them (HLOD,
// skeleton and mesh lists) written as text or through an HTML template.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "W3dChunk.h"

class W3dModel {
public:
    static constexpr std::size_t VERTEX_BONE_MESHES = 12;  // meshes that keep their vertex bones
    static constexpr std::size_t LINKED_MESHES = 10;       // meshes whose vertex links are listed
    static constexpr std::size_t MAX_SUB_OBJECTS = 24;
    static constexpr std::uint16_t NO_NORMAL_MAP = 65535;
    static constexpr std::size_t LINE_LIMIT = 255;     // report lines live in 256-character fields
    static constexpr std::size_t TEXTURE_TEXT_LIMIT = 80;
    static constexpr std::size_t TEXTURE_NAME_LIMIT = 31;
    static constexpr std::uint32_t NO_OFFSET = 0xFFFFFFFFu;  // shown for a sub-object with no chunk

    struct Mesh {
        std::string name;
        std::string containerName;
        std::uint32_t numTris = 0;
        std::uint32_t numVertices = 0;
        std::uint32_t offset = 0;  // of the top-level mesh chunk's header
    };
    struct Texture {
        std::string name;
        std::uint16_t normalMap = NO_NORMAL_MAP;
    };
    struct Bone {
        std::string name;
        std::uint32_t parent = 0;
        std::uint32_t index = 0;
    };
    struct SubObject {
        std::string name;
        std::uint32_t boneIndex = 0;
    };
    struct Hlod {
        std::string name;
        std::string hierarchyName;
        std::uint32_t lodCount = 0;
        std::uint32_t offset = 0;
        bool present = false;
    };
    struct BoxRecord {
        std::string name;
        std::uint32_t offset = 0;
        bool present = false;
    };
    struct SkeletonHeader {
        std::string name;
        std::uint32_t numPivots = 0;
    };

    W3dModel() = default;
    W3dModel(const W3dModel&) = delete;
    W3dModel& operator=(const W3dModel&) = delete;

    // Empties everything the reader holds, then opens the file for binary
    // reading. True when it opened and is not empty.
    bool open(const std::string& path);
    // Like open, over a stream the caller owns; path names the model for the
    // skeleton file's folder.
    bool attach(std::FILE* stream, std::uint32_t size, const std::string& path);
    // Reads the whole file, then the skeleton file when one is named.
    void read();
    // Reads only what decides the skeleton file (the hierarchies and the
    // HLOD), not the skeleton file itself, and closes the file: enough for
    // skeletonFilePath().
    void readSkeletonName();
    void close();

    std::size_t meshCount() const { return meshes_.size(); }
    std::size_t textureCount() const { return textures_.size(); }
    std::size_t normalMapCount() const { return normalMaps_.size(); }
    std::size_t subObjectCount() const { return subObjects_.size(); }
    std::size_t skeletonHeaderCount() const { return hasSkeleton_ ? 1 : 0; }
    std::size_t boneCount() const { return bones_.size(); }

    const Mesh& mesh(std::size_t i) const { return meshes_[i]; }
    const Texture& texture(std::size_t i) const { return textures_[i]; }
    const std::string& normalMap(std::size_t i) const { return normalMaps_[i]; }
    const Bone& bone(std::size_t i) const { return bones_[i]; }
    const SubObject& subObject(std::size_t i) const { return subObjects_[i]; }
    const Hlod& hlod() const { return hlod_; }
    const BoxRecord& box() const { return box_; }
    const SkeletonHeader& skeletonHeader() const { return skeleton_; }
    // Vertex bones of mesh i (empty after the twelfth mesh).
    const std::vector<std::uint16_t>& vertexBones(std::size_t i) const;

    // The skeleton file name without its leading backslash.
    std::string skeletonFileName() const;
    // The skeleton file read beside the model: its folder and
    // skeletonFileName(). Empty when the model names none.
    std::string skeletonFilePath() const;
    // The system's reason when the named skeleton file could not be opened.
    const std::string& skeletonError() const { return skeletonError_; }

    void buildSkeletonList();
    void buildMeshList(bool html);
    void buildHlodList();
    const std::vector<std::string>& hlodList() const { return hlodList_; }
    const std::vector<std::string>& skeletonList() const { return skeletonList_; }
    const std::vector<std::string>& meshList() const { return meshList_; }
    const std::string& modelName() const { return modelName_; }

    bool writeText(const std::string& outputPath) const;
    bool writeHtml(const std::string& outputPath, const std::string& templatePath) const;

private:
    // What a walk over a file reads: all of it, only what decides the
    // skeleton file, or only the hierarchies (of the skeleton file).
    enum class Scope { ALL, SKELETON_NAME, HIERARCHIES };

    void reset();
    void readFile(Scope scope);
    void readMesh(const w3d::Chunk& chunk);
    void readMaterialList(const w3d::Chunk& chunk, std::uint32_t count, std::size_t meshTextures[2]);
    void readShaderMaterials(const w3d::Chunk& chunk, std::size_t& added);
    void readHierarchy(const w3d::Chunk& chunk);
    void readHlod(const w3d::Chunk& chunk);
    void loadSkeletonFile();
    void addLine(std::vector<std::string>& list, const char* format, ...);

    w3d::ChunkInput input_;
    std::string path_;

    std::vector<Mesh> meshes_;
    std::vector<std::vector<std::uint16_t>> vertexBones_;
    std::vector<Texture> textures_;
    std::vector<std::string> normalMaps_;
    SkeletonHeader skeleton_;
    bool hasSkeleton_ = false;
    bool pivotsRead_ = false;
    std::vector<Bone> bones_;
    Hlod hlod_;
    std::vector<SubObject> subObjects_;
    BoxRecord box_;
    std::string skeletonFile_;  // empty, or "\" + hierarchy name + ".w3d"
    std::string skeletonError_;

    std::vector<std::string> hlodList_;
    std::vector<std::string> skeletonList_;
    std::vector<std::string> meshList_;
    std::vector<std::string> boneNames_;
    std::vector<std::pair<std::string, std::uint32_t>> meshIndex_;
    std::string modelName_;
};
