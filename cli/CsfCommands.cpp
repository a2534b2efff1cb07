// csf list | export | append | to-text | from-text: string tables through
// the string table core.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "ByteOrder.h"
#include "CliSupport.h"
#include "Commands.h"
#include "CsfArchive.h"
#include "CsfTableReader.h"
#include "CsfText.h"
#include "FilePtr.h"
#include "OutputBuffer.h"
#include "Utf8.h"
#include "platform/Platform.h"

namespace cli {

void loadTable(CsfArchive& archive, const std::string& path) {
    requireFile(path);
    if (!archive.isCsfFile(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is not a CSF string table");
    if (!archive.load(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is damaged: shorter than its header");
}

namespace {

// A table to be read label by label, with loadTable's checks and reasons.
void openTable(CsfTableReader& reader, const std::string& path) {
    requireFile(path);
    if (!CsfArchive().isCsfFile(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is not a CSF string table");
    if (!reader.open(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is damaged: shorter than its header");
}

int warnLabelsRead(int labelsRead, std::int32_t labelCount, const std::string& path) {
    if (labelsRead >= labelCount) return STATUS_DONE;
    warn(path, "is damaged: " + std::to_string(labelsRead) + " of " + std::to_string(labelCount) +
                   " labels could be read");
    return STATUS_PARTIAL;
}

}  // namespace

// A table whose labels end before its header's count was read only in part.
int warnDamaged(const CsfArchive& archive, const std::string& path) {
    return warnLabelsRead(archive.recordCount(), archive.header().labelCount, path);
}

namespace {

std::string labelName(const CsfArchive& archive, int index) {
    const CsfLabelRecord& rec = archive.records()[static_cast<std::size_t>(index)];
    return std::string(reinterpret_cast<const char*>(archive.bytes().data() + rec.nameOffset),
                       static_cast<std::size_t>(rec.nameLength));
}

// A JSON string as printJson writes it: quotes, \" \\ \b \f \n \r \t and
// \u00xx for the other control characters; anything not valid UTF-8 is
// left to the JSON library, which replaces it.
void appendJsonString(OutputBuffer& out, const char* p, std::size_t n) {
    static const char HEX[] = "0123456789abcdef";
    constexpr std::size_t PIECE = 1u << 14;
    const std::size_t at = out.size();
    out.push('"');
    for (std::size_t i = 0; i < n;) {
        // A piece at a time: at most six bytes a byte (\u00xx), and a
        // character begun in the piece may end three bytes past it.
        const std::size_t stop = std::min(n, i + PIECE);
        char* o = out.room(6 * (stop - i) + 3);
        while (i < stop) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            if (c >= 0x80) {
                std::uint32_t cp;
                const std::size_t length = decodeUtf8(p + i, p + n, cp);
                if (length == 0) {
                    out.truncate(at);
                    out.append(nlohmann::json(std::string(p, n)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
                    return;
                }
                std::memcpy(o, p + i, length);
                o += length;
                i += length;
                continue;
            }
            ++i;
            if (c >= 0x20 && c != '"' && c != '\\') {
                *o++ = static_cast<char>(c);
                continue;
            }
            *o++ = '\\';
            switch (c) {
                case '"': *o++ = '"'; break;
                case '\\': *o++ = '\\'; break;
                case '\b': *o++ = 'b'; break;
                case '\f': *o++ = 'f'; break;
                case '\n': *o++ = 'n'; break;
                case '\r': *o++ = 'r'; break;
                case '\t': *o++ = 't'; break;
                default:
                    *o++ = 'u';
                    *o++ = '0';
                    *o++ = '0';
                    *o++ = HEX[c >> 4];
                    *o++ = HEX[c & 15];
            }
        }
        out.keep(o);
    }
    out.push('"');
}

// The labels as they are read, one line each: the name, a tab and the first
// text quoted as in the text form; or, with json, the document printJson
// would write of them, a label at a time.
int list(const std::string& path, bool json) {
    CsfTableReader reader;
    openTable(reader, path);
    constexpr std::size_t BLOCK = 1u << 16;
    StdoutText out;
    OutputBuffer text(2 * BLOCK), utf8;
    std::vector<CsfTextSlot> slots;
    const unsigned char* bytes = nullptr;
    CsfLabelRecord rec;
    if (json) text.append("{\"labels\":[");
    for (bool first = true; reader.next(bytes, rec); first = false) {
        const char* name = reinterpret_cast<const char*>(bytes + rec.nameOffset);
        if (json) {
            if (!first) text.push(',');
            text.append("{\"name\":");
            appendJsonString(text, name, static_cast<std::size_t>(rec.nameLength));
            text.append(",\"texts\":[");
            csfTextSlots(bytes, rec, slots);
            for (std::size_t k = 0; k < slots.size(); ++k) {
                if (k > 0) text.push(',');
                utf8.clear();
                csfAppendTextUtf8(utf8, bytes + slots[k].textOffset, static_cast<std::size_t>(slots[k].length), false);
                appendJsonString(text, utf8.data(), utf8.size());
            }
            text.append("]}");
        } else {
            text.append(name, static_cast<std::size_t>(rec.nameLength));
            if (rec.stringRecords > 0) {
                text.push('\t');
                csfAppendTextUtf8(text, bytes + rec.slot[0].textOffset, static_cast<std::size_t>(rec.slot[0].length),
                                  true);
            }
            text.push('\n');
        }
        if (text.size() >= BLOCK) {
            out.write(text.data(), text.size());
            text.clear();
        }
    }
    if (json) {
        text.append("],\"table\":");
        appendJsonString(text, path.data(), path.size());
        text.append("}\n");
    }
    out.write(text.data(), text.size());
    return warnLabelsRead(reader.labelsRead(), reader.header().labelCount, path);
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
    CsfTableReader reader;
    openTable(reader, path);
    requireOutputApart(target, {path});
    requireWritable(target);
    std::string failure;
    if (!csfWriteText(reader, target, failure)) throw Failure(STATUS_BAD_FILE, target, "cannot be written: " + failure);
    summary("%d labels written to %s\n", reader.labelsRead(), target.c_str());
    return STATUS_DONE;
}

int fromText(const std::string& path, const std::string& target) {
    requireFile(path);
    requireOutputApart(target, {path});
    requireWritable(target);
    std::FILE* text = platform::openInputFile(path.c_str(), "rb");
    if (!text) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
    FilePtr closer(text);
    CsfTextError error;
    std::int32_t labels = 0;
    std::string failure;
    switch (csfBuildTable(text, target, error, labels, failure)) {
        case CsfBuildResult::BUILT: break;
        case CsfBuildResult::BAD_TEXT: throw Failure(STATUS_BAD_FILE, path + ":" + std::to_string(error.line), error.reason);
        case CsfBuildResult::CANNOT_READ: throw Failure(STATUS_BAD_FILE, path, "cannot be read");
        case CsfBuildResult::CANNOT_WRITE: throw Failure(STATUS_BAD_FILE, target, "cannot be written: " + failure);
    }
    summary("%d labels written to %s\n", labels, target.c_str());
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
