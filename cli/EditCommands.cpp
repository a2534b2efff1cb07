// big add | rm | mv | replace and csf get | set | rm | mv: changing an
// archive or a string table in place (or into -o OUT) through the edit plans
// the dialogs use. Every change is checked before anything is written; the
// file is written beside its target and moved over it only when complete.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "BigArchive.h"
#include "BigEdit.h"
#include "CliSupport.h"
#include "Commands.h"
#include "CsfArchive.h"
#include "CsfEdit.h"
#include "FolderScanner.h"
#include "platform/Platform.h"

namespace cli {

namespace {

// Archive names use '\' between folders and Windows-1252 bytes; the user
// may type '/', and types (and the folders hold) this system's characters.
// Empty, a name no entry can have, when the code page lacks a character.
std::string archiveName(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    while (!name.empty() && name.back() == '\\') name.pop_back();
    std::string bytes;
    return platform::toArchiveName(name, bytes) ? bytes : std::string();
}

// A name the user gave for the archive; refused when the code page lacks
// one of its characters.
std::string givenName(const std::string& archive, const std::string& typed) {
    const std::string name = archiveName(typed);
    if (name.empty() && !typed.empty())
        throw Failure(STATUS_BAD_FILE, archive, typed + ": has a character an archive name cannot hold (Windows-1252)");
    return name;
}

std::string shownName(const std::string& name) {
    std::string shown;
    platform::fromArchiveName(name, shown);
    return shown;
}

std::string baseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && platform::isSeparator(trimmed.back())) trimmed.pop_back();
    const std::size_t sep = platform::lastSeparator(trimmed);
    return sep == std::string::npos ? trimmed : trimmed.substr(sep + 1);
}

struct EditTarget {
    std::string file;    // the archive or table to change
    std::string output;  // -o OUT; empty: in place
    const std::string& target() const { return output.empty() ? file : output; }
};

void openForEdit(BigArchive& big, BigEditPlan& plan, const EditTarget& where) {
    requireFile(where.file);
    if (!big.isBigFile(where.file.c_str())) throw Failure(STATUS_BAD_FILE, where.file, "is not a BIG archive");
    if (!big.openArchive(where.file.c_str())) throw Failure(STATUS_BAD_FILE, where.file, "cannot be read: " + systemReason());
    std::string reason;
    if (!plan.begin(big, where.file, reason)) throw Failure(STATUS_BAD_FILE, where.file, reason);
    requireWritable(where.target());
}

int saveArchive(BigEditPlan& plan, const EditTarget& where, const std::string& what, int status) {
    if (!plan.pending() && where.output.empty()) {
        warn(where.file, "nothing to change; the archive is left as it was");
        return status == STATUS_DONE ? STATUS_PARTIAL : status;
    }
    const std::int32_t entries = plan.count();
    const std::uint64_t size = plan.plannedSize();
    SaveResult saved;
    {
        CountedProgress progress("bytes written");
        saved = plan.save(where.target(), &progress);
    }
    if (saved != SaveResult::SAVED) {
        const std::string reason = saveResultText(saved);
        if (!plan.failedPath().empty()) throw Failure(STATUS_BAD_FILE, plan.failedPath(), reason);
        throw Failure(STATUS_BAD_FILE, where.target(),
                      saved == SaveResult::CANNOT_CREATE || saved == SaveResult::WRITE_FAILED ? reason + ": " + systemReason()
                                                                                              : reason);
    }
    summary("%s; %d entries, %llu bytes written to %s\n", what.c_str(), entries,
            static_cast<unsigned long long>(size), where.target().c_str());
    return status;
}

void refuse(const std::string& archive, const std::string& name, EditResult result) {
    if (result != EditResult::DONE)
        throw Failure(STATUS_BAD_FILE, archive, shownName(name) + ": " + editResultText(result));
}

std::string joinName(const std::string& under, const std::string& name) {
    return under.empty() ? name : under + "\\" + name;
}

struct AddArgs {
    EditTarget where;
    std::vector<std::string> sources;
    std::string as, under;
};

int bigAdd(const AddArgs& args) {
    BigArchive big;
    BigEditPlan plan;
    openForEdit(big, plan, args.where);
    if (!args.as.empty() && (args.sources.size() != 1 || (platform::fileAttributes(args.sources[0].c_str()) &
                                                           platform::ATTR_DIRECTORY)))
        throw Failure(STATUS_USAGE, "", "--as names one file: give exactly one FILE with it");
    const std::string under = givenName(args.where.file, args.under);
    int status = STATUS_DONE;
    int added = 0;
    for (const std::string& source : args.sources) {
        const std::uint32_t attributes = platform::fileAttributes(source.c_str());
        if (attributes == platform::ATTR_INVALID) throw Failure(STATUS_BAD_FILE, source, "no such file or folder");
        if (!(attributes & platform::ATTR_DIRECTORY)) {
            const std::string name = joinName(under, givenName(args.where.file, args.as.empty() ? baseName(source) : args.as));
            const EditResult result = plan.add(name, source);
            if (result == EditResult::NOT_A_FILE) throw Failure(STATUS_BAD_FILE, source, editResultText(result));
            refuse(args.where.file, name, result);
            ++added;
            continue;
        }
        // A folder: every file below it, named by its path inside the folder.
        FolderScanner scanner;
        if (!scanner.setStartFolder(source.c_str())) throw Failure(STATUS_BAD_FILE, source, "cannot be read");
        scanner.scanAll();
        for (const PassedOver& passed : scanner.passedOver()) {
            warn(passed.path, passReasonText(passed.reason));
            status = STATUS_PARTIAL;
        }
        if (scanner.foldersLeft()) {
            warn(source, "the entry limit stopped the walk; files in deeper folders are left out");
            status = STATUS_PARTIAL;
        }
        const std::size_t prefix = source.size() + (platform::isSeparator(source.back()) ? 0 : 1);
        for (std::int32_t i = 0; i < scanner.fileCount(); ++i) {
            const std::string& path = scanner.filePath(i);
            const std::string inside = archiveName(path.substr(prefix));
            if (inside.empty()) {
                warn(path, "the name has a character an archive name cannot hold (Windows-1252)");
                status = STATUS_PARTIAL;
                continue;
            }
            const std::string name = joinName(under, inside);
            const EditResult result = plan.add(name, path);
            if (result == EditResult::NOT_A_FILE) throw Failure(STATUS_BAD_FILE, path, editResultText(result));
            refuse(args.where.file, name, result);
            ++added;
        }
    }
    return saveArchive(plan, args.where, std::to_string(added) + " added", status);
}

int bigRemove(const EditTarget& where, const std::vector<std::string>& patterns) {
    BigArchive big;
    BigEditPlan plan;
    openForEdit(big, plan, where);
    std::vector<bool> drop(static_cast<std::size_t>(plan.count()), false);
    int status = STATUS_DONE, removed = 0;
    for (const std::string& typed : patterns) {
        const std::string pattern = BigEditPlan::foldName(archiveName(typed));
        bool matched = false;
        for (std::int32_t i = 0; i < plan.count(); ++i) {
            if (!platform::wildcardMatch(pattern.c_str(), BigEditPlan::foldName(plan.at(i).name).c_str())) continue;
            matched = true;
            if (!drop[static_cast<std::size_t>(i)]) ++removed;
            drop[static_cast<std::size_t>(i)] = true;
        }
        if (!matched) {
            warn(where.file, "no entry matches " + typed);
            status = STATUS_PARTIAL;
        }
    }
    plan.remove(drop);
    return saveArchive(plan, where, std::to_string(removed) + " removed", status);
}

std::int32_t findEntry(const BigEditPlan& plan, const std::string& archive, const std::string& typed) {
    const std::int32_t index = plan.find(archiveName(typed));
    if (index < 0) throw Failure(STATUS_BAD_FILE, archive, "no entry named " + typed);
    return index;
}

int bigMove(const EditTarget& where, const std::string& from, const std::string& to) {
    BigArchive big;
    BigEditPlan plan;
    openForEdit(big, plan, where);
    const std::string name = givenName(where.file, to);
    refuse(where.file, name, plan.rename(findEntry(plan, where.file, from), name));
    return saveArchive(plan, where, "1 renamed", STATUS_DONE);
}

int bigReplace(const EditTarget& where, const std::string& entry, const std::string& file) {
    BigArchive big;
    BigEditPlan plan;
    openForEdit(big, plan, where);
    const EditResult result = plan.replace(findEntry(plan, where.file, entry), file);
    if (result == EditResult::NOT_A_FILE) throw Failure(STATUS_BAD_FILE, file, editResultText(result));
    refuse(where.file, archiveName(entry), result);
    return saveArchive(plan, where, "1 replaced", STATUS_DONE);
}

// String tables.

void loadForEdit(CsfArchive& table, CsfEditPlan& plan, const std::string& path) {
    loadTable(table, path);
    std::string reason;
    if (!plan.begin(table, reason)) throw Failure(STATUS_BAD_FILE, path, reason);
}

int findLabel(const CsfEditPlan& plan, const std::string& table, const std::string& label) {
    const int index = plan.find(label);
    if (index < 0) throw Failure(STATUS_BAD_FILE, table, "no label named " + label);
    return index;
}

void refuse(const std::string& table, const std::string& label, LabelEdit result) {
    if (result != LabelEdit::DONE) throw Failure(STATUS_BAD_FILE, table, label + ": " + labelEditText(result));
}

int saveTable(CsfEditPlan& plan, const EditTarget& where, const std::string& what) {
    requireWritable(where.target());
    const TableSave saved = plan.save(where.target());
    if (saved != TableSave::SAVED) {
        const std::string reason = tableSaveText(saved);
        throw Failure(STATUS_BAD_FILE, where.target(),
                      saved == TableSave::CANNOT_CREATE || saved == TableSave::WRITE_FAILED ? reason + ": " + systemReason()
                                                                                            : reason);
    }
    summary("%s; %d labels written to %s\n", what.c_str(), plan.count(), where.target().c_str());
    return STATUS_DONE;
}

int csfGet(const std::string& path, const std::string& label) {
    CsfArchive table;
    CsfEditPlan plan;
    loadForEdit(table, plan, path);
    std::string text = CsfEditPlan::utf8FromUtf16(plan.text(findLabel(plan, path, label)));
    text += '\n';
    writeStdout(text.data(), text.size());
    return STATUS_DONE;
}

struct SetArgs {
    EditTarget where;
    std::string label, text, fromFile;
    CLI::Option* textOption = nullptr;
};

int csfSet(const SetArgs& args) {
    const bool fromFile = !args.fromFile.empty();
    if (fromFile == (args.textOption->count() > 0))
        throw Failure(STATUS_USAGE, "", "give the text either as TEXT or with --from-file, not both");
    std::string utf8 = fromFile ? readInput(args.fromFile) : platform::argumentUtf8(args.text);
    if (fromFile && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    std::u16string text;
    if (!CsfEditPlan::utf16FromUtf8(utf8, text))
        throw Failure(STATUS_BAD_FILE, fromFile ? args.fromFile : "", "the text is not UTF-8");
    CsfArchive table;
    CsfEditPlan plan;
    loadForEdit(table, plan, args.where.file);
    const int index = plan.find(args.label);
    if (index >= 0) {
        refuse(args.where.file, args.label, plan.setText(index, text));
        return saveTable(plan, args.where, "1 text set");
    }
    refuse(args.where.file, args.label, plan.add(args.label, text));
    return saveTable(plan, args.where, "1 label added");
}

int csfRemove(const EditTarget& where, const std::vector<std::string>& labels) {
    CsfArchive table;
    CsfEditPlan plan;
    loadForEdit(table, plan, where.file);
    std::vector<bool> drop(static_cast<std::size_t>(plan.count()), false);
    int status = STATUS_DONE, removed = 0;
    for (const std::string& label : labels) {
        bool found = false;
        for (int i = 0; i < plan.count(); ++i) {
            if (plan.at(i).name != label) continue;
            found = true;
            if (!drop[static_cast<std::size_t>(i)]) ++removed;
            drop[static_cast<std::size_t>(i)] = true;
        }
        if (!found) {
            warn(where.file, "no label named " + label);
            status = STATUS_PARTIAL;
        }
    }
    if (removed == 0) {
        warn(where.file, "nothing to change; the table is left as it was");
        return STATUS_PARTIAL;
    }
    plan.remove(drop);
    saveTable(plan, where, std::to_string(removed) + " removed");
    return status;
}

int csfMove(const EditTarget& where, const std::string& from, const std::string& to) {
    CsfArchive table;
    CsfEditPlan plan;
    loadForEdit(table, plan, where.file);
    refuse(where.file, to, plan.rename(findLabel(plan, where.file, from), to));
    return saveTable(plan, where, "1 renamed");
}

void addOutput(CLI::App* cmd, EditTarget& where, const char* what) {
    cmd->add_option("-o,--output", where.output,
                    std::string("Write the changed ") + what + " here and leave the " + what + " as it is");
}

}  // namespace

void addBigEditCommands(CLI::App* big) {
    auto addArgs = std::make_shared<AddArgs>();
    CLI::App* addCmd = big->add_subcommand(
        "add", "Add files, or every file below folders (named by their path inside the folder), to an archive");
    addCmd->add_option("ARCHIVE", addArgs->where.file, "The archive")->required();
    addCmd->add_option("FILE", addArgs->sources, "Files and folders to add")->required();
    addCmd->add_option("--as", addArgs->as, "The entry's name for a single FILE (default: the file's name)");
    addCmd->add_option("--under", addArgs->under, "The folder inside the archive the new entries go in, e.g. Data\\INI");
    addOutput(addCmd, addArgs->where, "archive");
    setAction(addCmd, [addArgs] { return bigAdd(*addArgs); });

    struct RemoveArgs {
        EditTarget where;
        std::vector<std::string> patterns;
    };
    auto rmArgs = std::make_shared<RemoveArgs>();
    CLI::App* rmCmd = big->add_subcommand("rm", "Remove entries, by name or wildcard pattern (* and ?)");
    rmCmd->add_option("ARCHIVE", rmArgs->where.file, "The archive")->required();
    rmCmd->add_option("ENTRY", rmArgs->patterns, "Entries to remove (letter case aside)")->required();
    addOutput(rmCmd, rmArgs->where, "archive");
    setAction(rmCmd, [rmArgs] { return bigRemove(rmArgs->where, rmArgs->patterns); });

    struct MoveArgs {
        EditTarget where;
        std::string from, to;
    };
    auto mvArgs = std::make_shared<MoveArgs>();
    CLI::App* mvCmd = big->add_subcommand("mv", "Rename an entry (its full name inside the archive)");
    mvCmd->add_option("ARCHIVE", mvArgs->where.file, "The archive")->required();
    mvCmd->add_option("OLD", mvArgs->from, "The entry's name (letter case aside)")->required();
    mvCmd->add_option("NEW", mvArgs->to, "Its new name")->required();
    addOutput(mvCmd, mvArgs->where, "archive");
    setAction(mvCmd, [mvArgs] { return bigMove(mvArgs->where, mvArgs->from, mvArgs->to); });

    struct ReplaceArgs {
        EditTarget where;
        std::string entry, file;
    };
    auto replaceArgs = std::make_shared<ReplaceArgs>();
    CLI::App* replaceCmd = big->add_subcommand("replace", "Replace an entry's bytes with a file's");
    replaceCmd->add_option("ARCHIVE", replaceArgs->where.file, "The archive")->required();
    replaceCmd->add_option("ENTRY", replaceArgs->entry, "The entry's name (letter case aside)")->required();
    replaceCmd->add_option("FILE", replaceArgs->file, "The file whose bytes it takes")->required();
    addOutput(replaceCmd, replaceArgs->where, "archive");
    setAction(replaceCmd,
              [replaceArgs] { return bigReplace(replaceArgs->where, replaceArgs->entry, replaceArgs->file); });
}

void addCsfEditCommands(CLI::App* csf) {
    auto getArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* getCmd = csf->add_subcommand("get", "Write a label's text (UTF-8, with a line end) to standard output");
    getCmd->add_option("TABLE", getArgs->first, "The string table")->required();
    getCmd->add_option("LABEL", getArgs->second, "The label (exact name)")->required();
    setAction(getCmd, [getArgs] { return csfGet(getArgs->first, getArgs->second); });

    auto setArgs = std::make_shared<SetArgs>();
    CLI::App* setCmd = csf->add_subcommand("set", "Set a label's text; a missing label is added");
    setCmd->add_option("TABLE", setArgs->where.file, "The string table")->required();
    setCmd->add_option("LABEL", setArgs->label, "The label (exact name)")->required();
    setArgs->textOption = setCmd->add_option("TEXT", setArgs->text, "The text");
    setCmd->add_option("--from-file", setArgs->fromFile, "Take the text from this UTF-8 file, as it is");
    addOutput(setCmd, setArgs->where, "table");
    setAction(setCmd, [setArgs] { return csfSet(*setArgs); });

    struct RemoveArgs {
        EditTarget where;
        std::vector<std::string> labels;
    };
    auto rmArgs = std::make_shared<RemoveArgs>();
    CLI::App* rmCmd = csf->add_subcommand("rm", "Remove labels");
    rmCmd->add_option("TABLE", rmArgs->where.file, "The string table")->required();
    rmCmd->add_option("LABEL", rmArgs->labels, "Labels to remove (exact names)")->required();
    addOutput(rmCmd, rmArgs->where, "table");
    setAction(rmCmd, [rmArgs] { return csfRemove(rmArgs->where, rmArgs->labels); });

    struct MoveArgs {
        EditTarget where;
        std::string from, to;
    };
    auto mvArgs = std::make_shared<MoveArgs>();
    CLI::App* mvCmd = csf->add_subcommand("mv", "Rename a label");
    mvCmd->add_option("TABLE", mvArgs->where.file, "The string table")->required();
    mvCmd->add_option("OLD", mvArgs->from, "The label (exact name)")->required();
    mvCmd->add_option("NEW", mvArgs->to, "Its new name")->required();
    addOutput(mvCmd, mvArgs->where, "table");
    setAction(mvCmd, [mvArgs] { return csfMove(mvArgs->where, mvArgs->from, mvArgs->to); });
}

}  // namespace cli
