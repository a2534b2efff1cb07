// libFuzzer target: the model reader, the whole report and the walk that
// finds the skeleton file, over any bytes.
#include <cstdint>
#include <cstdio>

#include "W3dModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size ? size : 1, "rb");
    if (!stream) return 0;
    static W3dModel model;
    if (model.attach(stream, static_cast<std::uint32_t>(size), "fuzz-model.w3d")) {
        model.read();
        model.buildSkeletonList();
        model.buildMeshList(true);
        model.buildHlodList();
    }
    // The walk that only finds the skeleton file's name, over the same bytes.
    if (model.attach(stream, static_cast<std::uint32_t>(size), "fuzz-model.w3d")) model.readSkeletonName();
    model.close();
    std::fclose(stream);
    return 0;
}
