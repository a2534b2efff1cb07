#include "ModelJob.h"

#include <cstdio>
#include <cstring>

#include "ConfigFile.h"
#include "RunLog.h"
#include "platform/Platform.h"

const char* const EQUALS_ROW = "=====================================================";

namespace {

std::string cut(const std::string& text, std::size_t limit) {
    return text.size() > limit ? text.substr(0, limit) : text;
}

// An item of the model list (at most 31 characters) up to its last '*'
// (the whole item without one).
std::string prefixOf(const std::string& listItem) {
    std::string item = cut(listItem, ModelJob::PREFIX_LIMIT);
    std::size_t star = item.rfind('*');
    return star == std::string::npos ? item : item.substr(0, star);
}

std::string numbered(const std::string& prefix, int n) {
    char key[64];
    std::snprintf(key, sizeof key, "%s%03d", prefix.c_str(), n);
    return key;
}

}  // namespace

ModelJob::ModelJob() = default;
ModelJob::~ModelJob() = default;

const char* ModelJob::errorText(RunResult result) {
    switch (result) {
        case RunResult::BAD_ARGUMENTS:
            return "Invalid number of input parameters - \nEnter name of config file ONLY ....";
        case RunResult::NO_ENTRIES:
            return "Cannot read/write model files - \nCheck config file or model files ....";
        case RunResult::COMPLETED:
        case RunResult::ENTRIES_FAILED:
            break;
    }
    return "Program finished successfully - No error found ....";
}

void printFrame(const char* text) {
    std::printf("\n%s\n%s\n%s\n\n", EQUALS_ROW, text, EQUALS_ROW);
}

void ModelJob::configure(const char* configName) {
    entries_.clear();
    inputPrefix_.clear();
    outputPrefix_.clear();
    cutKeys_.clear();
    ConfigFile config(configName, 80);
    if (!config.load()) return;  // no key is read: the run has no entries
    cutKeys_ = config.cutKeys();
    // A path longer than an entry holds is cut, and said so.
    auto cutPath = [this](const std::string& key, const std::string& value) {
        if (value.size() > PATH_LIMIT) cutKeys_.push_back(key);
        return cut(value, PATH_LIMIT);
    };

    std::vector<std::string> list;
    if (!config.textList("ModelList", list)) config.textList("MODELLIST", list);
    if (list.size() == 1 || list.size() == 2) {
        inputPrefix_ = prefixOf(list[0]);
        // With a single item there is no output prefix: the entries have no
        // output path, and the modes write nothing for them.
        if (list.size() == 2) outputPrefix_ = prefixOf(list[1]);
        for (int n = 1;; ++n) {
            const std::string inputKey = numbered(inputPrefix_, n), outputKey = numbered(outputPrefix_, n);
            std::string input = config.text(inputKey.c_str());
            if (input.empty()) break;
            std::string output = list.size() == 2 ? config.text(outputKey.c_str()) : "";
            entries_.push_back({cutPath(inputKey, input), cutPath(outputKey, output), list.size() == 2 ? outputKey : ""});
        }
    }
    htmlTemplate_ = config.text("ModelHtml");
    if (htmlTemplate_.empty()) htmlTemplate_ = config.text("MODELHTML");
    htmlTemplate_ = cutPath("ModelHtml", htmlTemplate_);
    animation_ = config.boolean("Animation");
}

std::string ModelJob::resolveInput(const std::string& input) {
    if (!platform::exists(input.c_str())) return std::string();
    std::string resolved = input;
    if (input.size() >= 2 && input[0] == '.' && platform::isSeparator(input[1]))
        resolved = platform::joinPath(platform::currentDirectory(), input.substr(2));
    return cut(resolved, RESOLVED_LIMIT);
}

RunResult ModelJob::run(int argc, char** argv) {
    if (argc != 2 || !argv[1] || !argv[1][0]) return RunResult::BAD_ARGUMENTS;
    char configName[ARGUMENT_LIMIT + 1] = {0};
    std::strncpy(configName, argv[1], ARGUMENT_LIMIT);

    configure(configName);

    RunLog log("Morvane.exe");
    log.markStart();
    if (entries_.empty()) return RunResult::NO_ENTRIES;

    for (const std::string& key : cutKeys_) {
        std::printf("\n%s\n", EQUALS_ROW);
        std::printf("WARNING: Configuration value was cut at its limit .... %s\n", key.c_str());
        std::printf("%s\n\n", EQUALS_ROW);
    }
    // Every input of the run, the template and the skeleton files the
    // entries read are known before any output is written, so that no entry
    // replaces what another one reads, before or after it.
    failed_ = 0;
    protected_.clear();
    for (const ModelEntry& entry : entries_) noteInput(entry.input);
    if (html()) noteInput(htmlTemplate_);
    for (const ModelEntry& entry : entries_) noteSkeletonFile(entry);

    for (const ModelEntry& entry : entries_) {
        std::string resolved = resolveInput(entry.input);
        if (resolved.empty()) {
            std::string reason = platform::lastErrorText(256);
            std::printf("\n%s\n", EQUALS_ROW);
            std::printf("ERROR: Input File does not exist ....\n%s\n", entry.input.c_str());
            std::printf("ERROR: %s\n", reason.c_str());
            std::printf("%s\n\n", EQUALS_ROW);
            ++failed_;
            continue;
        }
        processEntry(entry, resolved);
    }

    log.markStop();
    std::printf("\n** %s\n", EQUALS_ROW);
    log.startedMessage();
    log.print();
    log.stoppedMessage();
    log.print();
    std::printf("** %s\n\n", EQUALS_ROW);
    return failed_ > 0 ? RunResult::ENTRIES_FAILED : RunResult::COMPLETED;
}

void ModelJob::processEntry(const ModelEntry& entry, const std::string& resolved) {
    if (animation_)
        runAnimationMode(entry, resolved);
    else
        runModelMode(entry, resolved);
}

int morvaneMain(int argc, char** argv) {
    int status = EXIT_OK;
    try {
        const RunResult result = ModelJob().run(argc, argv);
        if (result == RunResult::ENTRIES_FAILED) {
            status = EXIT_ENTRIES_FAILED;
        } else if (result != RunResult::COMPLETED) {
            std::string text = std::string("Application error has occured:\n") + ModelJob::errorText(result);
            printFrame(text.c_str());
            status = static_cast<int>(result);
        }
    } catch (...) {
        printFrame("Abnormal termination - programm aborted ...");
        status = EXIT_ABNORMAL;
    }
    std::fflush(stdout);
    return status;
}
