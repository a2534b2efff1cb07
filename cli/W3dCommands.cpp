// w3d report | animation: Morvane's two modes for one file, without a
// configuration file.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "CliSupport.h"
#include "Commands.h"
#include "W3dAnimation.h"
#include "W3dModel.h"
#include "platform/Platform.h"

namespace cli {

namespace {

// Both readers need the skeleton: embedded, or in the file the model names.
template <typename Reader>
void readWithSkeleton(Reader& reader, const std::string& path) {
    requireFile(path);
    if (!reader.open(path)) {
        const std::string reason = platform::fileSize(path.c_str()) == 0 ? "is empty" : "cannot be read: " + systemReason();
        reader.close();
        throw Failure(STATUS_BAD_FILE, path, reason);
    }
    reader.read();
    reader.close();
    if (reader.boneCount() > 0) return;
    if (reader.skeletonFileName().empty()) throw Failure(STATUS_BAD_FILE, path, "is not a W3D file with a skeleton");
    throw Failure(STATUS_BAD_FILE, path,
                  "its skeleton file " + reader.skeletonFileName() + " cannot be read: " + reader.skeletonError());
}

// The skeleton file a model or animation names, beside it; empty when it names none.
template <typename Reader>
std::string skeletonPath(const Reader& reader, const std::string& path) {
    const std::string name = reader.skeletonFileName();
    if (name.empty()) return name;
    const std::size_t sep = platform::lastSeparator(path);
    return sep == std::string::npos ? name : path.substr(0, sep + 1) + name;
}

struct ReportArgs {
    std::string model, html, output;
    CLI::Option* outputOption = nullptr;
};

int report(const ReportArgs& args) {
    const bool toFile = args.outputOption->count() > 0;
    if (!args.html.empty() && !toFile)
        throw Failure(STATUS_USAGE, "", "--html needs -o: the report through a template goes to a file");
    if (!args.html.empty()) requireFile(args.html);
    if (toFile) {
        requireOutputApart(args.output, {args.model, args.html});
        requireWritable(args.output);
    }
    W3dModel model;
    readWithSkeleton(model, args.model);
    if (toFile) requireOutputApart(args.output, {skeletonPath(model, args.model)});
    if (model.subObjectCount() == 0) throw Failure(STATUS_BAD_FILE, args.model, "holds no sub-objects to report");
    const bool html = !args.html.empty();
    model.buildSkeletonList();
    model.buildMeshList(html);
    model.buildHlodList();
    if (!toFile) {
        StdoutText out;
        for (const auto* list : {&model.hlodList(), &model.skeletonList(), &model.meshList()})
            for (const std::string& line : *list) {
                out.text().append(line) += '\n';
                out.spill();
            }
        return STATUS_DONE;
    }
    const bool written = html ? model.writeHtml(args.output, args.html) : model.writeText(args.output);
    if (!written) throw Failure(STATUS_BAD_FILE, args.output, "cannot be written: " + systemReason());
    summary("report of %d sub-objects written to %s\n", static_cast<int>(model.subObjectCount()),
            args.output.c_str());
    return STATUS_DONE;
}

int animation(const std::string& path, const std::string& output) {
    requireOutputApart(output, {path});
    const std::size_t sep = platform::lastSeparator(output);
    if (output.find('.', sep == std::string::npos ? 0 : sep) == std::string::npos)
        throw Failure(STATUS_USAGE, output, "needs an extension: .w3d writes an animation file, another a text dump");
    requireWritable(output);
    W3dAnimation reader;
    readWithSkeleton(reader, path);
    const std::string skeleton = skeletonPath(reader, path);
    requireOutputApart(output, {skeleton});
    if (reader.channelCount() == 0) throw Failure(STATUS_BAD_FILE, path, "holds no animation channels");
    if (!reader.write(output)) throw Failure(STATUS_BAD_FILE, output, "cannot be written: " + systemReason());
    summary("%d channels written to %s\n", static_cast<int>(reader.channelCount()), output.c_str());
    // The embedded skeleton beside a .w3d output is part of the work: one
    // left unwritten is named and makes the run partial.
    switch (reader.skeletonOutcome()) {
        case W3dAnimation::SkeletonOutcome::REFUSED:
            warn(reader.skeletonOutput(),
                 "the skeleton is not written: it would replace the animation written, the animation read or its "
                 "skeleton file");
            return STATUS_PARTIAL;
        case W3dAnimation::SkeletonOutcome::FAILED:
            warn(reader.skeletonOutput(), "the skeleton cannot be written: " + systemReason());
            return STATUS_PARTIAL;
        case W3dAnimation::SkeletonOutcome::WRITTEN:
        case W3dAnimation::SkeletonOutcome::NONE:
            break;
    }
    return STATUS_DONE;
}

}  // namespace

void addW3dCommands(CLI::App& app) {
    CLI::App* w3d = app.add_subcommand("w3d", "W3D models and animations: report, animation");
    w3d->require_subcommand(1);

    auto reportArgs = std::make_shared<ReportArgs>();
    CLI::App* reportCmd =
        w3d->add_subcommand("report", "Report a model's HLOD, skeleton and meshes (its skeleton file beside it)");
    reportCmd->add_option("MODEL", reportArgs->model, "The W3D model")->required();
    reportCmd->add_option("--html", reportArgs->html, "An HTML template to pour the report into (needs -o)");
    reportArgs->outputOption =
        reportCmd->add_option("-o,--output", reportArgs->output, "The report to write (default: standard output)");
    setAction(reportCmd, [reportArgs] { return report(*reportArgs); });

    auto animArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* animCmd = w3d->add_subcommand(
        "animation", "Write an animation as a new W3D file (OUT ending in .w3d, with its embedded skeleton beside "
                     "it) or as a text dump (any other extension)");
    animCmd->add_option("FILE", animArgs->first, "The W3D animation")->required();
    animCmd->add_option("-o,--output", animArgs->second, "The file to write")->required();
    setAction(animCmd, [animArgs] { return animation(animArgs->first, animArgs->second); });
}

}  // namespace cli
