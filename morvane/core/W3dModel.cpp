#include "W3dModel.h"

#include <cstdarg>
#include <cstring>

#include "FileStream.h"
#include "TextOutput.h"
#include "platform/Platform.h"

using namespace w3d;

namespace {

const std::string EQUALS_48(48, '=');
const std::string DASHES_48(48, '-');
const char* const BLANK_ENTRY = "\n";

// Records are read in batches of this many bytes.
constexpr std::size_t BATCH_BYTES = 64 * 1024;

// Reads a text of at most `limit` characters from `at`, never past `end`,
// up to its first zero byte.
std::string readText(ChunkInput& input, std::uint32_t at, std::uint32_t end, std::size_t limit) {
    if (at >= end) return std::string();
    std::size_t n = end - at < limit ? end - at : limit;
    unsigned char buf[64];
    if (n > sizeof buf) n = sizeof buf;
    std::size_t got = input.readAt(at, buf, n);
    return getName(buf, got);
}

}  // namespace

bool W3dModel::open(const std::string& path) {
    reset();
    path_ = path;
    if (!input_.open(path.c_str())) return false;
    return input_.size() != 0;
}

bool W3dModel::attach(std::FILE* stream, std::uint32_t size, const std::string& path) {
    reset();
    path_ = path;
    input_.attach(stream, size);
    return input_.size() != 0;
}

void W3dModel::close() { input_.close(); }

void W3dModel::reset() {
    input_.close();
    path_.clear();
    meshes_.clear();
    vertexBones_.clear();
    textures_.clear();
    normalMaps_.clear();
    skeleton_ = SkeletonHeader();
    hasSkeleton_ = false;
    pivotsRead_ = false;
    bones_.clear();
    hlod_ = Hlod();
    subObjects_.clear();
    box_ = BoxRecord();
    skeletonFile_.clear();
    skeletonError_.clear();
    hlodList_.clear();
    skeletonList_.clear();
    meshList_.clear();
    boneNames_.clear();
    meshIndex_.clear();
    modelName_.clear();
}

const std::vector<std::uint16_t>& W3dModel::vertexBones(std::size_t i) const {
    static const std::vector<std::uint16_t> none;
    return i < vertexBones_.size() ? vertexBones_[i] : none;
}

std::string W3dModel::skeletonFileName() const {
    return skeletonFile_.empty() ? skeletonFile_ : skeletonFile_.substr(1);
}

std::string W3dModel::skeletonFilePath() const {
    if (skeletonFile_.empty()) return skeletonFile_;
    std::size_t sep = platform::lastSeparator(path_);
    return sep == std::string::npos ? skeletonFile_.substr(1) : path_.substr(0, sep) + skeletonFile_;
}

void W3dModel::read() {
    if (!input_.isOpen()) return;
    readFile(Scope::ALL);
    input_.close();
    if (!skeletonFile_.empty()) loadSkeletonFile();
}

void W3dModel::readSkeletonName() {
    if (!input_.isOpen()) return;
    readFile(Scope::SKELETON_NAME);
    input_.close();
}

void W3dModel::readFile(Scope scope) {
    ChunkWalk walk(input_, 0, input_.size());
    Chunk chunk;
    while (walk.next(chunk)) {
        switch (chunk.header.type) {
            case MESH:
                if (scope == Scope::ALL) readMesh(chunk);
                break;
            case HIERARCHY:
                readHierarchy(chunk);
                break;
            case HLOD:
                if (scope != Scope::HIERARCHIES) readHlod(chunk);
                break;
            case BOX:
                if (scope == Scope::ALL) {
                    unsigned char raw[Box::SIZE];
                    readRecord(input_, chunk, raw, sizeof raw);
                    box_.name = Box::decode(raw).name;
                    box_.offset = chunk.offset;
                    box_.present = true;
                }
                break;
            default:
                break;  // animations and everything else are stepped over
        }
    }
}

void W3dModel::readMesh(const Chunk& chunk) {
    std::size_t meshIndex = meshes_.size();  // none yet: no header read
    bool haveHeader = false;
    std::uint32_t numVertices = 0;
    MaterialInfo info;
    std::size_t added = 0;

    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == MESH) break;  // a zero type ends the mesh
        switch (sub.header.type) {
            case MESH_HEADER: {
                unsigned char raw[MeshHeader::SIZE];
                readRecord(input_, sub, raw, sizeof raw);
                MeshHeader h = MeshHeader::decode(raw);
                meshes_.push_back({h.meshName, h.containerName, h.numTris, h.numVertices, chunk.offset});
                meshIndex = meshes_.size() - 1;
                haveHeader = true;
                numVertices = h.numVertices;
                break;
            }
            case VERTEX_INFLUENCES: {
                if (!haveHeader || meshIndex >= VERTEX_BONE_MESHES) break;
                // As many influences as the header promises and the chunk holds.
                std::uint32_t count = sub.contentSize / VertexInfluence::SIZE;
                if (numVertices < count) count = numVertices;
                if (vertexBones_.size() <= meshIndex) vertexBones_.resize(meshIndex + 1);
                std::vector<std::uint16_t>& bones = vertexBones_[meshIndex];
                bones.clear();
                bones.reserve(count);
                std::vector<unsigned char> batch(BATCH_BYTES);
                std::uint32_t done = 0;
                while (done < count) {
                    std::uint32_t n = count - done;
                    if (n > BATCH_BYTES / VertexInfluence::SIZE) n = BATCH_BYTES / VertexInfluence::SIZE;
                    std::size_t got = input_.readAt(sub.contentStart + done * VertexInfluence::SIZE, batch.data(),
                                                    n * VertexInfluence::SIZE);
                    std::size_t whole = got / VertexInfluence::SIZE;
                    for (std::size_t k = 0; k < whole; ++k)
                        bones.push_back(VertexInfluence::decode(&batch[k * VertexInfluence::SIZE]).boneIndex);
                    if (whole < n) break;
                    done += n;
                }
                break;
            }
            case MATERIAL_INFO: {
                unsigned char raw[MaterialInfo::SIZE];
                readRecord(input_, sub, raw, sizeof raw);
                info = MaterialInfo::decode(raw);
                break;
            }
            case TEXTURES: {
                // As many texture chunks as the material info counts, and
                // never more than the chunk holds.
                ChunkWalk textures(input_, sub);
                Chunk texture;
                std::uint32_t seen = 0;
                while (seen < info.textureCount && textures.next(texture)) {
                    if (texture.header.type != TEXTURE) continue;
                    ++seen;
                    ChunkWalk parts(input_, texture);
                    Chunk part;
                    while (parts.next(part)) {
                        if (part.header.type != TEXTURE_NAME) continue;
                        textures_.push_back(
                            {readText(input_, part.contentStart, part.end(), TEXTURE_NAME_LIMIT), NO_NORMAL_MAP});
                        ++added;
                    }
                }
                break;
            }
            case SHADER_MATERIALS:
                readShaderMaterials(sub, added);
                break;
            default:
                break;  // vertices, normals, triangles, shaders, passes, user text
        }
    }
    if (added == 0) textures_.push_back({"?", NO_NORMAL_MAP});
}

void W3dModel::readShaderMaterials(const Chunk& chunk, std::size_t& added) {
    ChunkWalk materials(input_, chunk);
    Chunk material;
    while (materials.next(material)) {
        if (material.header.type != SHADER_MATERIAL) continue;
        ChunkWalk parts(input_, material);
        Chunk property;
        while (parts.next(property)) {
            if (property.header.type != SHADER_MATERIAL_PROPERTY) continue;
            unsigned char head[8];
            if (readRecord(input_, property, head, sizeof head) < sizeof head) continue;
            std::uint32_t type = getU32(head);
            std::uint32_t nameLength = getU32(head + 4);
            std::uint32_t nameAt = property.contentStart + 8;
            std::uint32_t end = property.end();
            std::string name = readText(input_, nameAt, end, nameLength < 16 ? nameLength : 16);
            if (type != 1 || nameLength > end - nameAt) continue;
            std::uint32_t valueAt = nameAt + nameLength;
            if (end - valueAt < 4) continue;
            unsigned char lengthField[4];
            input_.readAt(valueAt, lengthField, 4);
            std::uint32_t length = getU32(lengthField);
            // A field of 32 bytes, terminator included.
            std::string file = readText(input_, valueAt + 4, end, length < TEXTURE_NAME_LIMIT ? length : TEXTURE_NAME_LIMIT);
            if (name == "DiffuseTexture") {
                std::size_t maps = normalMaps_.size();
                textures_.push_back({file, static_cast<std::uint16_t>(maps < NO_NORMAL_MAP ? maps : NO_NORMAL_MAP)});
                ++added;
            } else if (name == "NormalMap") {
                normalMaps_.push_back(file);
            }
        }
    }
}

void W3dModel::readHierarchy(const Chunk& chunk) {
    bool first = !pivotsRead_;
    pivotsRead_ = true;  // the bones come from the first hierarchy met
    std::uint32_t numPivots = 0;
    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == HIERARCHY_HEADER) {
            unsigned char raw[HierarchyHeader::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            HierarchyHeader h = HierarchyHeader::decode(raw);
            numPivots = h.numPivots;
            if (!hasSkeleton_) {
                skeleton_ = {h.name, h.numPivots};
                hasSkeleton_ = true;
            }
        } else if (sub.header.type == PIVOTS && first) {
            std::uint32_t count = sub.contentSize / Pivot::SIZE;
            if (numPivots < count) count = numPivots;
            bones_.clear();
            bones_.reserve(count);
            for (std::uint32_t i = 0; i < count; ++i) {
                unsigned char raw[Pivot::SIZE];
                if (input_.readAt(sub.contentStart + i * Pivot::SIZE, raw, sizeof raw) < sizeof raw) break;
                Pivot p = Pivot::decode(raw);
                bones_.push_back({p.name, p.parentIndex, i});
            }
        }
    }
}

void W3dModel::readHlod(const Chunk& chunk) {
    ChunkWalk walk(input_, chunk);
    Chunk sub;
    while (walk.next(sub)) {
        if (sub.header.type == HLOD_HEADER) {
            unsigned char raw[HlodHeader::SIZE];
            readRecord(input_, sub, raw, sizeof raw);
            HlodHeader h = HlodHeader::decode(raw);
            hlod_.name = h.name;
            hlod_.hierarchyName = h.hierarchyName;
            hlod_.lodCount = h.lodCount;
            if (bones_.empty()) skeletonFile_ = "\\" + h.hierarchyName + ".w3d";
        } else if (sub.header.type == HLOD_LOD_ARRAY) {
            subObjects_.clear();  // the last LOD array's sub-objects remain
            ChunkWalk array(input_, sub);
            Chunk item;
            while (array.next(item)) {
                if (item.header.type != HLOD_SUB_OBJECT || subObjects_.size() >= MAX_SUB_OBJECTS) continue;
                unsigned char raw[HlodSubObject::SIZE];
                readRecord(input_, item, raw, sizeof raw);
                HlodSubObject s = HlodSubObject::decode(raw);
                subObjects_.push_back({s.name, s.boneIndex});
            }
        }
    }
    hlod_.offset = chunk.offset;
    hlod_.present = true;
}

void W3dModel::loadSkeletonFile() {
    if (!input_.open(skeletonFilePath().c_str())) {
        skeletonError_ = platform::lastErrorText(256);
        return;
    }
    readFile(Scope::HIERARCHIES);
    input_.close();
}

// ---------------------------------------------------------------- report

void W3dModel::addLine(std::vector<std::string>& list, const char* format, ...) {
    char line[LINE_LIMIT + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    list.push_back(line);
}

void W3dModel::buildSkeletonList() {
    skeletonList_.clear();
    boneNames_.clear();
    if (!hasSkeleton_) return;
    skeletonList_.push_back(EQUALS_48);
    addLine(skeletonList_, "Skel: %s [%2d]", skeleton_.name.c_str(), static_cast<int>(skeleton_.numPivots));
    skeletonList_.push_back(EQUALS_48);
    for (const Bone& b : bones_) {
        addLine(skeletonList_, "Bone: [%2d] %s", static_cast<int>(b.index), b.name.c_str());
        boneNames_.push_back(b.name);
    }
    skeletonList_.push_back(BLANK_ENTRY);
}

void W3dModel::buildMeshList(bool html) {
    meshList_.clear();
    meshIndex_.clear();
    const std::string& separator = html ? EQUALS_48 : DASHES_48;
    for (std::size_t i = 0; i < meshes_.size(); ++i) {
        const Mesh& m = meshes_[i];
        meshList_.push_back(separator);
        addLine(meshList_, "Mesh: %s.%s (%d vertices)", m.containerName.c_str(), m.name.c_str(),
                static_cast<int>(m.numVertices));
        meshIndex_.push_back({m.name, m.offset});

        if (!textures_.empty()) {
            std::string text;
            if (i < textures_.size()) {
                const Texture& t = textures_[i];
                text = t.name;
                if (t.normalMap != NO_NORMAL_MAP && t.normalMap < normalMaps_.size())
                    text += ";" + normalMaps_[t.normalMap];
            }
            if (text.size() > TEXTURE_TEXT_LIMIT) text.resize(TEXTURE_TEXT_LIMIT);
            std::size_t semicolon = text.find(';');
            if (semicolon == std::string::npos) {
                addLine(meshList_, "Text: %s", text.c_str());
            } else {
                addLine(meshList_, "Text: %s", text.substr(0, semicolon).c_str());
                addLine(meshList_, "Text: %s", text.substr(semicolon + 1).c_str());
            }
        }

        const std::vector<std::uint16_t>& bones = vertexBones(i);
        if (i < LINKED_MESHES && !bones.empty()) {
            meshList_.push_back(separator);
            auto link = [&](std::size_t first, std::size_t last, std::uint16_t bone) {
                const char* name = bone < boneNames_.size() ? boneNames_[bone].c_str() : "?";
                addLine(meshList_, "Vertex_Link: [%4d %4d] ---> [%2d] %s", static_cast<int>(first),
                        static_cast<int>(last), static_cast<int>(bone), name);
            };
            std::size_t start = 0;
            for (std::size_t v = 1; v < bones.size(); ++v) {
                if (bones[v] != bones[start]) {
                    link(start + 1, v, bones[start]);
                    start = v;
                }
            }
            // The run that reaches the last vertex is listed only for bones above 1.
            if (bones[start] > 1) link(start + 1, bones.size(), bones[start]);
        }
    }
    if (!meshes_.empty() && meshes_.back().numVertices > 0) meshList_.push_back(separator);
}

void W3dModel::buildHlodList() {
    hlodList_.clear();
    if (subObjects_.empty()) return;
    hlodList_.push_back(EQUALS_48);
    addLine(hlodList_, "Hier: %s    Skel: %s", hlod_.name.c_str(), hlod_.hierarchyName.c_str());
    hlodList_.push_back(EQUALS_48);
    modelName_ = hlod_.name;
    for (const SubObject& s : subObjects_) {
        std::size_t dot = s.name.find('.');
        std::string meshName = dot == std::string::npos ? s.name : s.name.substr(dot + 1);
        std::uint32_t offset = NO_OFFSET;
        if (meshName == "BOUNDINGBOX" || meshName.compare(0, 3, "BOX") == 0 || meshName == "OB") {
            if (box_.present) offset = box_.offset;
        } else {
            for (const auto& entry : meshIndex_) {
                if (entry.first == meshName) {
                    offset = entry.second;
                    break;
                }
            }
        }
        char bone[5];
        std::snprintf(bone, sizeof bone, "%u", static_cast<unsigned>(s.boneIndex));
        addLine(hlodList_, "Bone: [%s] \t\t %s \t\t (Offset: %X)", bone, meshName.c_str(),
                static_cast<unsigned>(offset));
    }
    hlodList_.push_back(EQUALS_48);
}

bool W3dModel::writeText(const std::string& outputPath) const {
    TextOutput out;
    if (!out.create(outputPath)) return false;
    for (const auto* list : {&hlodList_, &skeletonList_, &meshList_}) {
        for (const std::string& line : *list) {
            out.write(line);
            out.write("\n");
        }
    }
    return out.finish();
}

bool W3dModel::writeHtml(const std::string& outputPath, const std::string& templatePath) const {
    TextOutput out;
    if (!out.create(outputPath)) return false;
    FileStream source(FileStream::READ, templatePath.c_str(), 0);
    if (source.open() != StreamResult::OPEN) return out.finish();  // created, left empty

    std::vector<std::string> lines;
    auto insert = [&lines](const std::vector<std::string>& list) {
        for (const std::string& item : list) lines.push_back(item + "<br>\n");
    };
    for (;;) {
        std::string line = source.readLine();
        if (line.empty()) break;
        if (line.find("### INSERT_NAME") != std::string::npos) {
            std::string next = source.readLine();
            if (next.empty()) break;
            std::size_t at = next.find("$(");
            if (at == std::string::npos) {
                lines.push_back(next);
            } else {
                // Twelve characters from "$(" are the placeholder.
                std::string rest = next.size() > at + 12 ? next.substr(at + 12) : std::string();
                lines.push_back(next.substr(0, at) + modelName_ + rest + "\n");
            }
        } else if (line.find("### INSERT_HLOD") != std::string::npos) {
            insert(hlodList_);
        } else if (line.find("### INSERT_SKEL") != std::string::npos) {
            insert(skeletonList_);
        } else if (line.find("### INSERT_MESH") != std::string::npos) {
            insert(meshList_);
        } else {
            lines.push_back(line);
        }
    }
    source.close();
    for (const std::string& line : lines) out.write(line);
    return out.finish();
}
