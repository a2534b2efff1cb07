// csf list | export | append | to-text | from-text: string tables through
// the string table core.
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "ByteOrder.h"
#include "CliSupport.h"
#include "Commands.h"
#include "CsfArchive.h"
#include "CsfText.h"
#include "platform/Platform.h"

namespace cli {

void loadTable(CsfArchive& archive, const std::string& path) {
    requireFile(path);
    if (!archive.isCsfFile(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is not a CSF string table");
    if (!archive.load(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is damaged: shorter than its header");
}

// A table whose labels end before its header's count was read only in part.
int warnDamaged(const CsfArchive& archive, const std::string& path) {
    if (archive.recordCount() >= archive.header().labelCount) return STATUS_DONE;
    warn(path, "is damaged: " + std::to_string(archive.recordCount()) + " of " +
                   std::to_string(archive.header().labelCount) + " labels could be read");
    return STATUS_PARTIAL;
}

namespace {

std::string labelName(const CsfArchive& archive, int index) {
    const CsfLabelRecord& rec = archive.records()[static_cast<std::size_t>(index)];
    return std::string(reinterpret_cast<const char*>(archive.bytes().data() + rec.nameOffset),
                       static_cast<std::size_t>(rec.nameLength));
}

int list(const std::string& path, bool json) {
    CsfArchive archive;
    loadTable(archive, path);
    std::vector<CsfTextSlot> slots;
    if (json) {
        nlohmann::json labels = nlohmann::json::array();
        for (int i = 0; i < archive.recordCount(); ++i) {
            archive.textSlots(i, slots);
            nlohmann::json texts = nlohmann::json::array();
            for (const CsfTextSlot& slot : slots) texts.push_back(csfTextUtf8(archive, slot, false));
            labels.push_back({{"name", labelName(archive, i)}, {"texts", texts}});
        }
        printJson({{"table", path}, {"labels", labels}});
    } else {
        // One line a label: its name, a tab, its first text quoted as in the text form.
        StdoutText out;
        for (int i = 0; i < archive.recordCount(); ++i) {
            std::string& text = out.text();
            text += labelName(archive, i);
            archive.textSlots(i, slots);
            if (!slots.empty()) text += "\t" + csfTextUtf8(archive, slots[0], true);
            text += '\n';
            out.spill();
        }
    }
    return warnDamaged(archive, path);
}

int exportTable(const std::string& path, const std::string& target, const std::vector<std::string>& drop) {
    CsfArchive archive;
    loadTable(archive, path);
    requireOutputApart(target, {path});
    requireWritable(target);
    int status = warnDamaged(archive, path);
    std::set<std::string> wanted(drop.begin(), drop.end()), found;
    for (int i = 0; i < archive.recordCount(); ++i) {
        const std::string name = labelName(archive, i);
        if (wanted.count(name)) {
            archive.setExportFlag(i, 0);
            found.insert(name);
        }
    }
    for (const std::string& name : wanted) {
        if (found.count(name)) continue;
        warn(path, "no label named " + name);
        status = STATUS_PARTIAL;
    }
    if (!archive.exportTo(path.c_str(), target.c_str()))
        throw Failure(STATUS_BAD_FILE, target, "cannot be written: " + systemReason());
    summary("%d of %d labels written to %s\n", archive.lastExportLabels(), archive.recordCount(), target.c_str());
    return status;
}

int append(const std::string& path, const std::string& config) {
    CsfArchive archive;
    requireFile(path);
    if (!archive.isCsfFile(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is not a CSF string table");
    requireFile(config);
    const std::size_t sep = platform::lastSeparator(path);
    const std::string copy = sep == std::string::npos ? "NEW_" + path : path.substr(0, sep + 1) + "NEW_" + path.substr(sep + 1);
    requireOutputApart(copy, {path, config});
    requireWritable(copy);
    if (!archive.appendFromConfig(path.c_str(), config.c_str()))
        throw Failure(STATUS_BAD_FILE, copy, "cannot be written: " + systemReason());
    summary("%d labels appended into %s\n", archive.lastAppendLabels(), archive.newPath().c_str());
    int status = STATUS_DONE;
    if (archive.familiesLeftOut() > 0) {
        warn(config, "AppendList is longer than its limit: only " +
                         std::to_string(archive.familiesListed() - archive.familiesLeftOut()) + " of its " +
                         std::to_string(archive.familiesListed()) + " families were taken");
        status = STATUS_PARTIAL;
    }
    if (archive.problem() == CsfArchive::Problem::VALUE_CUT) {
        warn(config, "a value was cut at its limit of 1023 characters; its labels are appended as cut");
        status = STATUS_PARTIAL;
    }
    return status;
}

int toText(const std::string& path, const std::string& target) {
    CsfArchive archive;
    loadTable(archive, path);
    requireOutputApart(target, {path});
    requireWritable(target);
    std::string text;
    csfToText(archive, text);
    writeOutput(target, text);
    summary("%d labels written to %s\n", archive.recordCount(), target.c_str());
    return STATUS_DONE;
}

int fromText(const std::string& path, const std::string& target) {
    requireFile(path);
    requireOutputApart(target, {path});
    requireWritable(target);
    const std::string text = readInput(path);
    std::string table;
    CsfTextError error;
    if (!csfFromText(text.data(), text.size(), table, error))
        throw Failure(STATUS_BAD_FILE, path + ":" + std::to_string(error.line), error.reason);
    writeOutput(target, table);
    summary("%d labels written to %s\n", tableLabelCount(table), target.c_str());
    return STATUS_DONE;
}

}  // namespace

int tableLabelCount(const std::string& table) {
    if (table.size() < CsfArchive::HEADER_SIZE) return 0;
    return le::getI32(reinterpret_cast<const unsigned char*>(table.data()) + 8);
}

void addCsfCommands(CLI::App& app) {
    CLI::App* csf = app.add_subcommand("csf", "CSF string tables: list, export, append, to-text, from-text, to-po, from-po, get, set, rm, mv");
    csf->require_subcommand(1);

    auto listArgs = std::make_shared<std::pair<std::string, bool>>();
    CLI::App* listCmd = csf->add_subcommand("list", "List the labels: name, tab, first text");
    listCmd->add_option("TABLE", listArgs->first, "The string table")->required();
    listCmd->add_flag("--json", listArgs->second, "One JSON document: table, labels (name, texts)");
    setAction(listCmd, [listArgs] { return list(listArgs->first, listArgs->second); });

    struct ExportArgs {
        std::string table, target;
        std::vector<std::string> drop;
    };
    auto exportArgs = std::make_shared<ExportArgs>();
    CLI::App* exportCmd = csf->add_subcommand("export", "Write the table without the dropped labels");
    exportCmd->add_option("TABLE", exportArgs->table, "The string table")->required();
    exportCmd->add_option("-o,--output", exportArgs->target, "The table to write")->required();
    exportCmd->add_option("--drop", exportArgs->drop, "Labels to leave out, by name");
    setAction(exportCmd, [exportArgs] { return exportTable(exportArgs->table, exportArgs->target, exportArgs->drop); });

    auto appendArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* appendCmd =
        csf->add_subcommand("append", "Append the labels a configuration's AppendList names into NEW_<table>");
    appendCmd->add_option("TABLE", appendArgs->first, "The string table")->required();
    appendCmd->add_option("CONFIG", appendArgs->second, "The configuration file")->required();
    setAction(appendCmd, [appendArgs] { return append(appendArgs->first, appendArgs->second); });

    auto toArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* toCmd = csf->add_subcommand("to-text", "Write the table in its editable text form (UTF-8)");
    toCmd->add_option("TABLE", toArgs->first, "The string table")->required();
    toCmd->add_option("-o,--output", toArgs->second, "The text file to write")->required();
    setAction(toCmd, [toArgs] { return toText(toArgs->first, toArgs->second); });

    auto fromArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* fromCmd = csf->add_subcommand("from-text", "Build a table from its text form");
    fromCmd->add_option("FILE", fromArgs->first, "The text file")->required();
    fromCmd->add_option("-o,--output", fromArgs->second, "The table to write")->required();
    setAction(fromCmd, [fromArgs] { return fromText(fromArgs->first, fromArgs->second); });

    addCsfEditCommands(csf);
    addCsfPoCommands(csf);
}

}  // namespace cli
