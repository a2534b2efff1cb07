// big list | extract | create | cat: BIG archives through the archive core.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "BigArchive.h"
#include "CliSupport.h"
#include "CodePage1252.h"
#include "Commands.h"
#include "platform/Platform.h"

namespace cli {

namespace {

// Archive names use '\' between folders and Windows-1252 bytes; the user
// may type '/', and types this system's characters. Empty (matching no
// entry) when the name has a character the code page lacks.
std::string archiveName(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    std::string bytes;
    return platform::toArchiveName(name, bytes) ? bytes : std::string();
}

// An archive name as this system's names are written.
std::string shownName(const std::string& name) {
    std::string shown;
    platform::fromArchiveName(name, shown);
    return shown;
}

std::string damageText(const BigArchive& big) {
    return std::string("the header is damaged: ") + headerDamageText(big.headerDamage());
}

// An archive whose header cannot be right is never read as a good one: the
// listing shows what could be read and ends in status 2; extraction and
// cat refuse it (their offsets would come from that header).
void openBig(BigArchive& big, const std::string& path, bool damagedRefused = true) {
    requireFile(path);
    if (!big.isBigFile(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is not a BIG archive");
    if (!big.openArchive(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
    if (damagedRefused && big.directoryDamaged()) throw Failure(STATUS_BAD_FILE, path, damageText(big));
}

int warnTruncated(BigArchive& big, const std::string& path) {
    if (!big.directoryTruncated()) return STATUS_DONE;
    warn(path, "the directory ends early; only the entries before its end are used");
    return STATUS_PARTIAL;
}

int list(const std::string& path, bool json) {
    BigArchive big;
    openBig(big, path, false);
    if (json) {
        nlohmann::json entries = nlohmann::json::array();
        for (std::int32_t i = 0; i < big.countEntries(); ++i) {
            const BigEntry* e = big.entry(i);
            entries.push_back({{"name", cp1252::toUtf8(e->name)}, {"size", e->dataSize}, {"offset", e->dataOffset}});
        }
        printJson({{"archive", path},
                   {"entries", entries},
                   {"truncated", big.directoryTruncated()},
                   {"damaged", big.directoryDamaged()}});
    } else {
        StdoutText out;
        char size[16];
        for (std::int32_t i = 0; i < big.countEntries(); ++i) {
            const BigEntry* e = big.entry(i);
            std::snprintf(size, sizeof size, "%10u  ", static_cast<unsigned>(e->dataSize));
            out.text().append(size).append(shownName(e->name)) += '\n';
            out.spill();
        }
    }
    if (big.directoryDamaged()) {
        warn(path, damageText(big));
        return STATUS_BAD_FILE;
    }
    return warnTruncated(big, path);
}

int extract(const std::string& path, const std::string& folder, const std::vector<std::string>& patterns) {
    BigArchive big;
    openBig(big, path);
    requireOutputApart(folder, {path});
    const std::uint32_t attributes = platform::fileAttributes(folder.c_str());
    if (attributes == platform::ATTR_INVALID) {
        requireWritable(folder);  // the folder it goes in must exist
        if (platform::createFolderTree(folder.c_str()) != platform::FolderResult::CREATED)
            throw Failure(STATUS_BAD_FILE, folder, "cannot be created: " + systemReason());
    } else if (!(attributes & platform::ATTR_DIRECTORY)) {
        throw Failure(STATUS_BAD_FILE, folder, "is a file, not a folder");
    }
    const std::int32_t count = big.countEntries();
    std::vector<char> wanted(static_cast<std::size_t>(count), patterns.empty() ? 1 : 0);
    int status = warnTruncated(big, path);
    for (const std::string& pattern : patterns) {
        const std::string p = archiveName(pattern);
        bool matched = false;
        for (std::int32_t i = 0; i < count && !p.empty(); ++i) {
            if (platform::wildcardMatch(p.c_str(), big.entry(i)->name.c_str())) {
                wanted[static_cast<std::size_t>(i)] = 1;
                matched = true;
            }
        }
        if (!matched) {
            warn(path, "no entry matches " + pattern);
            status = STATUS_PARTIAL;
        }
    }
    // The entries go out in slices, so that a progress line can follow them;
    // without a terminal there is one slice.
    Progress progress("entries extracted");
    const std::int32_t slice = progress.shown() ? std::max<std::int32_t>(1, count / 100) : std::max(count, 1);
    std::int32_t written = 0, done = 0;
    for (std::int32_t start = 0; start < count; start += slice) {
        const std::int32_t end = std::min(count, start + slice);
        for (std::int32_t i = 0; i < count; ++i)
            big.setSelected(i, wanted[static_cast<std::size_t>(i)] && i >= start && i < end ? 1 : 0);
        const ExtractReport report = big.extractSelected(path.c_str(), folder.c_str());
        if (!report.archiveOpened) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
        for (const EntryReport& problem : report.problems) {
            warn(shownName(problem.name), entryProblemText(problem.problem));
            status = STATUS_PARTIAL;
        }
        written += report.written;
        done = end;
        progress.update(done, count);
    }
    summary("%d entries extracted into %s\n", written, folder.c_str());
    return status;
}

int create(const std::string& folder, const std::string& archive, const std::string* filter) {
    requireFolder(folder);
    requireOutputApart(archive, {folder});
    requireWritable(archive);
    BigArchive big;
    const BigStatus collected = big.collectFolder(folder.c_str(), filter ? filter->c_str() : nullptr);
    if (collected != BigStatus::OK)
        throw Failure(STATUS_BAD_FILE, big.collectProblemPath().empty() ? folder : big.collectProblemPath(),
                      bigStatusText(collected));
    WriteReport report;
    {
        CountedProgress progress("bytes written");
        report = big.writeArchive(archive.c_str(), &progress);
    }
    if (!report.problemPath.empty())
        throw Failure(STATUS_BAD_FILE, shownPath(report.problemPath),
                      std::string(bigStatusText(report.status)) + "; nothing was written to " + archive);
    if (report.status != BigStatus::OK)
        throw Failure(STATUS_BAD_FILE, archive, std::string(bigStatusText(report.status)) + ": " + systemReason());
    // Whatever was not stored is named with its reason.
    int status = warnPassedOver(big.passedOver());
    if (big.collectLimitReached()) {
        warn(folder, "the entry limit stopped the walk; files in deeper folders are left out");
        status = STATUS_PARTIAL;
    }
    for (const EntryReport& problem : report.problems) {
        warn(shownPath(problem.path), entryProblemText(problem.problem));
        status = STATUS_PARTIAL;
    }
    summary("%d entries, %u bytes written to %s\n", report.entriesWritten, static_cast<unsigned>(big.archiveSize()),
            archive.c_str());
    return status;
}

int cat(const std::string& path, const std::string& name) {
    BigArchive big;
    openBig(big, path);
    const std::string wanted = archiveName(name);
    const BigEntry* found = nullptr;
    // A name without a Windows-1252 form (empty here) finds nothing.
    const std::int32_t count = wanted.empty() ? 0 : big.countEntries();
    for (std::int32_t i = 0; i < count && !found; ++i)
        if (big.entry(i)->name == wanted) found = big.entry(i);
    auto sameLetters = [](const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (std::int32_t i = 0; i < count && !found; ++i)
        if (sameLetters(big.entry(i)->name, wanted)) found = big.entry(i);
    if (!found) throw Failure(STATUS_BAD_FILE, path, "no entry named " + name);
    std::FILE* f = platform::openInputFile(path.c_str(), "rb");
    if (!f) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, std::fclose);
    const std::int64_t length = platform::fileSize(path.c_str());
    if (static_cast<std::int64_t>(found->dataOffset) + found->dataSize > length)
        throw Failure(STATUS_BAD_FILE, path, shownName(found->name) + ": " + entryProblemText(EntryProblem::DATA_OUTSIDE));
    if (!platform::seekFile(f, found->dataOffset)) throw Failure(STATUS_BAD_FILE, path, "cannot be read");
    std::vector<char> buffer(1 << 16);
    for (std::uint32_t left = found->dataSize; left > 0;) {
        const std::size_t want = std::min<std::size_t>(left, buffer.size());
        if (std::fread(buffer.data(), 1, want, f) != want) throw Failure(STATUS_BAD_FILE, path, "cannot be read");
        writeStdout(buffer.data(), want);
        left -= static_cast<std::uint32_t>(want);
    }
    return STATUS_DONE;
}

}  // namespace

void addBigCommands(CLI::App& app) {
    CLI::App* big = app.add_subcommand("big", "BIG archives: list, extract, create, cat, add, rm, mv, replace");
    big->require_subcommand(1);

    auto listArgs = std::make_shared<std::pair<std::string, bool>>();
    CLI::App* listCmd = big->add_subcommand("list", "List the entries of an archive (size and name)");
    listCmd->add_option("ARCHIVE", listArgs->first, "The archive")->required();
    listCmd->add_flag("--json", listArgs->second, "One JSON document: archive, entries (name, size, offset), truncated, damaged");
    setAction(listCmd, [listArgs] { return list(listArgs->first, listArgs->second); });

    struct ExtractArgs {
        std::string archive, folder = ".";
        std::vector<std::string> patterns;
    };
    auto extractArgs = std::make_shared<ExtractArgs>();
    CLI::App* extractCmd = big->add_subcommand("extract", "Extract entries below a folder");
    extractCmd->add_option("ARCHIVE", extractArgs->archive, "The archive")->required();
    extractCmd->add_option("ENTRY", extractArgs->patterns,
                           "Entries to extract, by name or wildcard pattern (* and ?); all when none is given");
    extractCmd->add_option("-C,--directory", extractArgs->folder, "The folder to extract into (default: the current one)");
    setAction(extractCmd, [extractArgs] { return extract(extractArgs->archive, extractArgs->folder, extractArgs->patterns); });

    struct CreateArgs {
        std::string folder, archive, filter;
        CLI::Option* filterOption = nullptr;
    };
    auto createArgs = std::make_shared<CreateArgs>();
    CLI::App* createCmd = big->add_subcommand("create", "Collect the files below a folder into a new archive");
    createCmd->add_option("FOLDER", createArgs->folder, "The folder to collect")->required();
    createCmd->add_option("-o,--output", createArgs->archive, "The archive to write")->required();
    createArgs->filterOption =
        createCmd->add_option("--filter", createArgs->filter, "Only files matching this list, e.g. \"*.ini;*.w3d\"");
    setAction(createCmd, [createArgs] {
        return create(createArgs->folder, createArgs->archive,
                      createArgs->filterOption->count() > 0 ? &createArgs->filter : nullptr);
    });

    auto catArgs = std::make_shared<std::pair<std::string, std::string>>();
    CLI::App* catCmd = big->add_subcommand("cat", "Write one entry to standard output");
    catCmd->add_option("ARCHIVE", catArgs->first, "The archive")->required();
    catCmd->add_option("ENTRY", catArgs->second, "The entry's name")->required();
    setAction(catCmd, [catArgs] { return cat(catArgs->first, catArgs->second); });

    addBigEditCommands(big);
}

}  // namespace cli
