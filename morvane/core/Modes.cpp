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
    if (const char* problem = platform::inputProblem(path.c_str())) return problem;
    const std::int64_t size = platform::fileSize(path.c_str());
    if (size == 0) return "The file is empty.";
    if (size > static_cast<std::int64_t>(w3d::SIZE_MASK))
        return "The file is 2 GiB or larger; W3D sizes cannot reach beyond that.";
    return reason;
}

}  // namespace

void ModelJob::noteInput(const std::string& path) {
    platform::FileIdentity id = platform::fileIdentity(path.c_str());
    if (id.valid) protected_.push_back(id);
}

void ModelJob::noteWritten(const std::string& path) { noteInput(path); }

bool ModelJob::replacesFileOfRun(const std::string& path) const {
    const platform::FileIdentity id = platform::fileIdentity(path.c_str());
    for (const platform::FileIdentity& kept : protected_)
        if (kept == id) return true;
    return false;
}

void ModelJob::reportReplacing(const std::string& path, const char* what) {
    printEntryError(std::string("ERROR: ") + what + " File would replace a file of this run ....\n" + path + "\n",
                    "It is an input of the run or was written by it before; it is not written.");
    ++failed_;
}

bool ModelJob::mayWrite(const std::string& path, const char* what) {
    if (!replacesFileOfRun(path)) return true;
    reportReplacing(path, what);
    return false;
}

void ModelJob::reportNothingWritten(const ModelEntry& entry, const std::string& reason) {
    printEntryError("ERROR: Output File is not written ....\n" + entry.input + "\n", reason);
    ++failed_;
}

bool ModelJob::hasOutput(const ModelEntry& entry) {
    if (!entry.output.empty()) return true;
    reportNothingWritten(entry, entry.outputKey.empty()
                                    ? "The model list has no output prefix: no entry names its output."
                                    : "No key " + entry.outputKey + " names this entry's output.");
    return false;
}

void ModelJob::reportWriteFailure(const std::string& path, const std::string& reason) {
    printEntryError("ERROR: Output File cannot be written ....\n" + path + "\n", reason);
    ++failed_;
}

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
        ++failed_;
        return;
    }
    model.read();
    model.close();
    if (model.boneCount() == 0) {
        printMissingSkeleton(model.skeletonFileName(), model.skeletonError());
        ++failed_;
        return;
    }
    if (model.subObjectCount() == 0) {
        reportNothingWritten(entry, "The model's HLOD has no sub-object to report.");
        return;
    }
    model.buildSkeletonList();
    model.buildMeshList(html());
    model.buildHlodList();
    if (!hasOutput(entry) || !mayWrite(entry.output, "Output")) return;
    // A template that is there but is no regular file (a folder, a pipe) is
    // refused rather than opened.
    if (html() && platform::fileAttributes(htmlTemplate_.c_str()) != platform::ATTR_INVALID) {
        if (const char* problem = platform::inputProblem(htmlTemplate_.c_str())) {
            printEntryError("ERROR: HTML Template cannot be read ....\n" + htmlTemplate_ + "\n", problem);
            ++failed_;
            return;
        }
    }
    createOutputFolder(entry.output);
    const bool written = html() ? model.writeHtml(entry.output, htmlTemplate_) : model.writeText(entry.output);
    if (!written)
        reportWriteFailure(entry.output, platform::lastErrorText(256));
    else
        noteWritten(entry.output);
}

void ModelJob::noteSkeletonFile(const ModelEntry& entry) {
    const std::string resolved = resolveInput(entry.input);
    if (resolved.empty()) return;
    std::string skeleton;
    if (animation_) {
        if (animationReader_.open(resolved)) animationReader_.readSkeletonName();
        animationReader_.close();
        skeleton = animationReader_.skeletonFilePath();
    } else {
        if (modelReader_.open(resolved)) modelReader_.readSkeletonName();
        modelReader_.close();
        skeleton = modelReader_.skeletonFilePath();
    }
    if (!skeleton.empty()) noteInput(skeleton);
}

void ModelJob::runAnimationMode(const ModelEntry& entry, const std::string& resolved) {
    W3dAnimation& animation = animationReader_;
    if (!animation.open(resolved)) {
        std::string reason = unreadableReason(resolved);
        animation.close();
        printUnreadable(entry.input, reason);
        ++failed_;
        return;
    }
    animation.read();
    animation.close();
    if (animation.boneCount() == 0) {
        printMissingSkeleton(animation.skeletonFileName(), animation.skeletonError());
        ++failed_;
        return;
    }
    if (animation.channelCount() == 0) {
        reportNothingWritten(entry, "The file holds no animation channel.");
        return;
    }
    if (!hasOutput(entry) || !mayWrite(entry.output, "Output")) return;
    // The hierarchy extracted beside the output never replaces an input of
    // the run nor a file written before; the reader itself keeps it off the
    // output it has just written.
    auto skeletonAllowed = [this](const std::string& path) { return !replacesFileOfRun(path); };
    const std::size_t sep = platform::lastSeparator(entry.output);
    if (entry.output.find('.', sep == std::string::npos ? 0 : sep) == std::string::npos) {
        reportWriteFailure(entry.output, "The output name has no extension: .w3d gives a W3D file, any other a dump.");
        return;
    }
    if (!animation.write(entry.output, skeletonAllowed)) {
        reportWriteFailure(entry.output, platform::lastErrorText(256));
        return;
    }
    noteWritten(entry.output);
    switch (animation.skeletonOutcome()) {
        case W3dAnimation::SkeletonOutcome::WRITTEN:
            noteWritten(animation.skeletonOutput());
            break;
        case W3dAnimation::SkeletonOutcome::REFUSED:
            reportReplacing(animation.skeletonOutput(), "Skeleton");
            break;
        case W3dAnimation::SkeletonOutcome::FAILED:
            reportWriteFailure(animation.skeletonOutput(), platform::lastErrorText(256));
            break;
        case W3dAnimation::SkeletonOutcome::NONE:
            break;
    }
}
