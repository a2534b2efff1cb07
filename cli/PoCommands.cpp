// csf to-po | from-po: string tables as PO files for translation tools,
// through the string table core's PO mapping (docs/csf-po.md).
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "CliSupport.h"
#include "Commands.h"
#include "CsfArchive.h"
#include "CsfPo.h"
#include "platform/Platform.h"

namespace cli {

namespace {

int toPo(const std::string& path, const std::string& sourcePath, const std::string& target) {
    CsfArchive table, source;
    loadTable(table, path);
    if (!sourcePath.empty()) loadTable(source, sourcePath);
    requireWritable(target);
    int status = warnDamaged(table, path);
    if (!sourcePath.empty() && warnDamaged(source, sourcePath) != STATUS_DONE) status = STATUS_PARTIAL;
    const std::size_t sep = platform::lastSeparator(path);
    std::string po;
    std::vector<CsfPoOmission> omitted;
    csfToPo(table, sourcePath.empty() ? nullptr : &source, sep == std::string::npos ? path : path.substr(sep + 1), po,
            omitted);
    writeOutput(target, po);
    for (const CsfPoOmission& o : omitted) {
        const std::string what = o.record == 0 ? "label " + o.label
                                               : "label " + o.label + ", text " + std::to_string(o.record);
        warn(o.inSource ? sourcePath : path, what + " left out: " + o.reason + " (kept only through from-po --base)");
        status = STATUS_PARTIAL;
    }
    summary("%d labels written to %s\n", table.recordCount(), target.c_str());
    return status;
}

int fromPo(const std::string& path, const std::string& basePath, const std::string& target) {
    const std::string text = readInput(path);
    CsfArchive base;
    if (!basePath.empty()) loadTable(base, basePath);
    requireWritable(target);
    std::vector<CsfPoEntry> entries;
    CsfPoError error;
    std::string table;
    if (!csfReadPo(text.data(), text.size(), entries, error) ||
        !csfFromPo(entries, basePath.empty() ? nullptr : &base, table, error))
        throw Failure(STATUS_BAD_FILE, path + ":" + std::to_string(error.line), error.reason);
    writeOutput(target, table);
    summary("%d labels written to %s\n", tableLabelCount(table), target.c_str());
    return STATUS_DONE;
}

}  // namespace

void addCsfPoCommands(CLI::App* csf) {
    struct ToArgs {
        std::string table, source, target;
    };
    auto toArgs = std::make_shared<ToArgs>();
    CLI::App* toCmd = csf->add_subcommand(
        "to-po", "Write the table as a PO file for translation tools: one entry per label and text, the label as msgctxt");
    toCmd->add_option("TABLE", toArgs->table, "The string table (the translation, or the original for a template)")
        ->required();
    toCmd->add_option("--source", toArgs->source,
                      "The table in the original language: its texts become msgid, TABLE's texts msgstr");
    toCmd->add_option("-o,--output", toArgs->target, "The PO file to write")->required();
    setAction(toCmd, [toArgs] { return toPo(toArgs->table, toArgs->source, toArgs->target); });

    struct FromArgs {
        std::string po, base, target;
    };
    auto fromArgs = std::make_shared<FromArgs>();
    CLI::App* fromCmd = csf->add_subcommand(
        "from-po", "Build a table from a PO file: each text is msgstr, or msgid where msgstr is empty or fuzzy");
    fromCmd->add_option("FILE", fromArgs->po, "The PO file")->required();
    fromCmd->add_option("--base", fromArgs->base,
                        "A table to build over: its header, label order, magics, 8-bit parts and the labels the PO "
                        "file does not name are kept; only texts are taken from the PO file");
    fromCmd->add_option("-o,--output", fromArgs->target, "The table to write")->required();
    setAction(fromCmd, [fromArgs] { return fromPo(fromArgs->po, fromArgs->base, fromArgs->target); });
}

}  // namespace cli
