// String tables as PO files, the format of gettext and of every translation
// tool: one entry per label and string record, the label's name as msgctxt.
//
//   msgctxt "GUI:Start"          the label (its name read as Latin-1)
//   msgid "Start the campaign"   the table's text, or the source table's
//   msgstr ""                    empty, or the table's text (with a source)
//
// A label's second, third... record is "NAME#2", "NAME#3"...; a name that
// itself ends in '#' and digits gets "#1" on its first record too, so every
// msgctxt ending in '#' and digits names a record. Texts are UTF-16 in the
// table and UTF-8 in the file. What a PO file cannot hold (a lone surrogate,
// a zero character, a name with a control byte, a second label of the same
// name) is left out and reported; building over a base table keeps it, with
// the base's header words, label order, magics, 8-bit parts and every label
// the file does not name: only the texts come from the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CsfArchive;

// One entry of a PO file, its strings unescaped (UTF-8).
struct CsfPoEntry {
    bool hasContext = false;
    std::string context;  // msgctxt
    std::string id;       // msgid
    std::string str;      // msgstr
    std::vector<std::string> flags;     // the words of "#," lines
    std::vector<std::string> comments;  // every other comment line, '#' included
    std::size_t line = 0;  // the line of its first keyword
    bool fuzzy() const;
};

struct CsfPoError {
    std::size_t line = 0;  // 1-based line of the fault
    std::string reason;
};

// A record that the PO file could not hold, left out by csfToPo.
struct CsfPoOmission {
    bool inSource = false;  // a record of the source table
    std::string label;      // the name in UTF-8, control bytes as \xHH
    std::size_t record = 0;  // 1-based; 0 for the whole label
    std::string reason;
};

// Appends the PO file of a loaded table to out. Without a source, msgid is
// the table's text and msgstr is empty (a template); with one, msgid is the
// source's text and msgstr the table's, and records only in one of the two
// carry the comment "#. only in the source table" or "#. not in the source
// table". project goes into the header's Project-Id-Version.
void csfToPo(const CsfArchive& table, const CsfArchive* source, const std::string& project, std::string& out,
             std::vector<CsfPoOmission>& omitted);

// Reads a PO file strictly: UTF-8 only, escapes as gettext knows them, every
// entry with msgid and msgstr, no plural forms, no two entries with the same
// msgctxt and msgid. False, with the line and the reason, at the first fault.
// The header entry (msgid "" without msgctxt) is among the entries.
bool csfReadPo(const char* text, std::size_t size, std::vector<CsfPoEntry>& entries, CsfPoError& error);

// Builds table bytes from the entries: each record's text is msgstr, or
// msgid where msgstr is empty or the entry is fuzzy. Without a base: the
// labels in the order the file names them, default header words, " RTS"
// records. Over a base: the base with the texts the file gives. False, with
// the entry's line and the reason, when the entries do not make a table.
bool csfFromPo(const std::vector<CsfPoEntry>& entries, const CsfArchive* base, std::string& table, CsfPoError& error);
