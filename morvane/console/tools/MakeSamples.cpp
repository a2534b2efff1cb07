// Writes Morvane's sample W3D files, or the benchmark's large ones, with the
// project's own fixture writer.
//
//   morvane_samples samples FOLDER   models, skeleton and animations
//   morvane_samples bench FOLDER [MESHES VERTICES FRAMES]
//                                    a large model with its skeleton and a
//                                    long compressed animation
#include <cstdio>
#include <cstdlib>
#include <string>

#include "W3dFixture.h"

using namespace w3dfix;

namespace {

bool save(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok) std::printf("wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
    return ok;
}

std::vector<std::uint16_t> runs(std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> parts) {
    std::vector<std::uint16_t> bones;
    for (const auto& p : parts) bones.insert(bones.end(), p.second, p.first);
    return bones;
}

bool samples(const std::string& folder) {
    // A unit: five meshes bound to a skeleton kept in its own file, a box.
    std::string unit;
    FixtureMesh body{"UNIT", "BODY", 12, 8, runs({{1, 4}, {2, 5}, {3, 3}}), {}, "unit_body.tga", "unit_body_nrm.tga"};
    FixtureMesh turret{"UNIT", "TURRET", 8, 6, runs({{4, 8}}), {"unit_turret.tga"}, "", ""};
    FixtureMesh barrel{"UNIT", "BARREL", 6, 4, runs({{5, 3}, {4, 3}}), {}, "unit_barrel.tga", ""};
    FixtureMesh track{"UNIT", "TRACK", 10, 8, runs({{2, 6}, {1, 4}}), {}, "", ""};
    FixtureMesh shadow{"UNIT", "SHADOW", 4, 2, {}, {}, "", ""};
    unit += mesh(body) + mesh(turret) + mesh(barrel) + mesh(track) + mesh(shadow);
    unit += hlod("UNIT", "UNITSKL",
                 {{{1, "UNIT.BODY"}, {4, "UNIT.TURRET"}, {5, "UNIT.BARREL"}, {2, "UNIT.TRACK"}, {0, "UNIT.BOUNDINGBOX"}}});
    unit += box("UNIT.BOUNDINGBOX");
    std::vector<FixturePivot> bones = {{"ROOTTRANSFORM", 0xFFFFFFFFu}, {"HULL", 0}, {"TRACKS", 1},
                                    {"WHEELS", 1},                 {"TURRET", 1}, {"BARREL", 4}};
    std::string skeleton = hierarchy("UNITSKL", bones);

    // A tower that carries its own hierarchy.
    std::string tower = hierarchy("TOWER", pivotChain("FLOOR", 4));
    tower += mesh({"TOWER", "BASE", 6, 4, runs({{1, 3}, {2, 3}}), {"tower_base.tga"}, "", ""});
    tower += mesh({"TOWER", "TOP", 6, 4, runs({{3, 6}}), {}, "tower_top.tga", "tower_top_nrm.tga"});
    tower += hlod("TOWER", "TOWER", {{{1, "TOWER.BASE"}, {3, "TOWER.TOP"}}});

    // A plain animation of the unit (skeleton from UNITSKL.w3d).
    std::vector<FixturePlainChannel> plain;
    for (std::uint16_t pivot = 1; pivot <= 5; ++pivot) {
        FixturePlainChannel c{0, 9, 1, static_cast<std::uint16_t>(pivot % 3), pivot, {}};
        for (int f = 0; f < 10; ++f) c.values.push_back(0.25f * f + pivot);
        plain.push_back(c);
    }
    plain.push_back({0, 9, 4, 6, 4, std::vector<float>(40, 0.5f)});
    std::string walk = animation("UNIT_WALK", "UNITSKL", 10, 15, plain, {{0, 9, 0, 2, 1, "\xff\x01"}});

    // A compressed animation of the unit, and one that carries its own skeleton.
    std::vector<FixtureCompressedChannel> keys = {
        {false, 1, 1, 0, 0, {0, 4, 9}, {0x3F800000u, 0x40000000u, 0x40400000u}},
        {false, 1, 1, 1, 0, {0, 9}, {0x3F000000u, 0x3E800000u}},
        {false, 4, 4, 6, 0, {0, 5}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {true, 5, 0, 0, 1, {2, 3}, {}},
    };
    std::string fire = compressedAnimation("UNIT_FIRE", "UNITSKL", 10, 30, keys);
    std::string dance = hierarchy("DANCER", pivotChain("LIMB", 3));
    dance += compressedAnimation("DANCER_SPIN", "DANCER", 6, 30,
                                 {{false, 1, 3, 0, 0, {0, 3, 5}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
                                  {false, 2, 1, 5, 0, {1, 2}, {10, 11}}});

    return save(folder, "unit.w3d", unit) && save(folder, "UNITSKL.w3d", skeleton) &&
           save(folder, "tower.w3d", tower) && save(folder, "walk.w3d", walk) && save(folder, "fire.w3d", fire) &&
           save(folder, "dance.w3d", dance);
}

bool bench(const std::string& folder, unsigned meshes, unsigned vertices, unsigned frames) {
    // The model is written mesh by mesh, so that its size is not held in memory.
    std::string modelPath = folder + "/big.w3d";
    std::FILE* out = std::fopen(modelPath.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "cannot create %s\n", modelPath.c_str());
        return false;
    }
    std::size_t total = 0;
    bool ok = true;
    std::vector<FixtureSubObject> lod;
    for (unsigned i = 0; i < meshes; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "PART%03u", i);
        FixtureMesh m{"BIG", name, vertices, vertices / 2, {}, {}, "big.tga", "big_nrm.tga"};
        m.bones.reserve(vertices);
        for (unsigned v = 0; v < vertices; ++v) m.bones.push_back(static_cast<std::uint16_t>(1 + (v / 1000) % 20));
        std::string bytes = mesh(m);
        ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        total += bytes.size();
        if (lod.size() < 24) lod.push_back({i % 20, std::string("BIG.") + name});
    }
    std::string tail = hlod("BIG", "BIGSKL", {lod});
    ok = ok && std::fwrite(tail.data(), 1, tail.size(), out) == tail.size();
    ok = std::fclose(out) == 0 && ok;
    total += tail.size();
    if (!ok) return false;
    std::printf("wrote %s (%zu bytes)\n", modelPath.c_str(), total);
    std::string skeleton = hierarchy("BIGSKL", pivotChain("BONE", 21));

    std::vector<FixtureCompressedChannel> channels;
    for (std::uint16_t pivot = 1; pivot <= 20; ++pivot) {
        for (std::uint8_t type = 0; type < 3; ++type) {
            FixtureCompressedChannel c{false, pivot, 1, type, 0, {}, {}};
            for (unsigned f = 0; f < frames; f += 1 + (pivot + type) % 4) {
                c.timeCodes.push_back(f);
                c.values.push_back(f * 7u + pivot);
            }
            channels.push_back(c);
        }
    }
    std::string anim = compressedAnimation("BIG_LONG", "BIGSKL", frames, 30, channels);
    return save(folder, "BIGSKL.w3d", skeleton) &&
           save(folder, "long.w3d", anim);
}

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc > 1 ? argv[1] : "";
    if (argc >= 3 && what == "samples") return samples(argv[2]) ? 0 : 1;
    if (argc >= 3 && what == "bench") {
        unsigned meshes = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 200;
        unsigned vertices = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 20000;
        unsigned frames = argc > 5 ? static_cast<unsigned>(std::atoi(argv[5])) : 20000;
        return bench(argv[2], meshes, vertices, frames) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: morvane_samples samples FOLDER | bench FOLDER [MESHES VERTICES FRAMES]\n");
    return 2;
}
