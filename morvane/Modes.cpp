// Model mode and animation mode: what the driver does with one entry whose
// input file exists.
#include <cstdio>

#include "ModelJob.h"
#include "platform/Platform.h"

namespace {

void printEntryError(const std::string& first, const std::string& second) {
    std::printf("\n%s\n", EQUALS_ROW);
    std::printf("%s", first.c_str());
    std::printf("ERROR: %s\n", second.c_str());
    std::printf("%s\n\n", EQUALS_ROW);
}

// An input that exists but is empty or cannot be opened is not read; the
// entry is reported and skipped rather than listed with stale data.
void printUnreadable(const std::string& input, const std::string& reason) {
    printEntryError("ERROR: Input File cannot be read ....\n" + input + "\n", reason);
}

void printMissingSkeleton(const std::string& name, const std::string& reason) {
    printEntryError("ERROR: Skeleton File does not exist .... " + name + "\n",
                    reason.empty() ? std::string("The file names no skeleton.") : reason);
}

// Taken right after the failed open, before another call changes the
// system's last error.
std::string unreadableReason(const std::string& path) {
    std::string reason = platform::lastErrorText(256);
    if (platform::fileSize(path.c_str()) == 0) return "The file is empty.";
    return reason;
}

}  // namespace

void ModelJob::createOutputFolder(const std::string& output) {
    std::size_t sep = platform::lastSeparator(output);
    if (sep == std::string::npos) return;
    std::string folder = output.substr(0, sep);
    if (folder.empty() || folder == lastFolder_) return;
    platform::createFolderTree(folder.c_str());
    lastFolder_ = folder;
}

void ModelJob::runModelMode(const ModelEntry& entry, const std::string& resolved) {
    W3dModel& model = modelReader_;
    if (!model.open(resolved)) {
        std::string reason = unreadableReason(resolved);
        model.close();
        printUnreadable(entry.input, reason);
        return;
    }
    model.read();
    model.close();
    if (model.boneCount() == 0) {
        printMissingSkeleton(model.skeletonFileName(), model.skeletonError());
        return;
    }
    if (model.subObjectCount() == 0) return;
    model.buildSkeletonList();
    model.buildMeshList(html());
    model.buildHlodList();
    if (entry.output.empty()) return;
    createOutputFolder(entry.output);
    if (html())
        model.writeHtml(entry.output, htmlTemplate_);
    else
        model.writeText(entry.output);
}

void ModelJob::runAnimationMode(const ModelEntry& entry, const std::string& resolved) {
    W3dAnimation& animation = animationReader_;
    if (!animation.open(resolved)) {
        std::string reason = unreadableReason(resolved);
        animation.close();
        printUnreadable(entry.input, reason);
        return;
    }
    animation.read();
    animation.close();
    if (animation.boneCount() == 0) {
        printMissingSkeleton(animation.skeletonFileName(), animation.skeletonError());
        return;
    }
    if (animation.channelCount() > 0 && !entry.output.empty()) animation.write(entry.output);
}
