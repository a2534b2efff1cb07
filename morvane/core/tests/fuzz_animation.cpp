// libFuzzer target: the animation reader, its table, dump texts and records
// over any bytes. The writers write into the current folder: run it in a
// folder of its own.
#include <cstdint>
#include <cstdio>

#include "W3dAnimation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size ? size : 1, "rb");
    if (!stream) return 0;
    static W3dAnimation animation;
    if (animation.attach(stream, static_cast<std::uint32_t>(size), "fuzz-animation.w3d")) {
        animation.read();
        std::size_t lines = animation.timeCodeLineCount();
        // Every line is built; a long table only partly, to keep runs fast.
        for (std::size_t i = 0; i < lines && i < 64; ++i) animation.timeCodeLine(i);
        for (std::size_t i = 0; i <= animation.channelCount(); ++i) {
            animation.channelKey(i);
            animation.channelRecordText(i);
            if (i < animation.channelCount()) animation.channelValues(i);
        }
        animation.animationRecord();
        animation.boneRecord(0);
        animation.skeletonRecord(0);
        if (animation.timeCodeLineCount() < 4096) animation.write("fuzz-out.txt");
        animation.write("fuzz-out.w3d");
    }
    // The walk that only finds the skeleton file's name, over the same bytes.
    if (animation.attach(stream, static_cast<std::uint32_t>(size), "fuzz-animation.w3d")) animation.readSkeletonName();
    animation.close();
    std::fclose(stream);
    return 0;
}
