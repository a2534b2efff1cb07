// The text form of a string table: UTF-8 lines a person can edit in any text
// editor, which bring back every byte of the table they were written from.
//
//   csf-text 1                  first line that is not blank or a comment
//   version N                   the header's second word (default 3)
//   words N N                   the header's fifth and sixth words (default 0 0)
//   label-count N               the header's counts as stored, written only
//   string-count N              when they are not the real ones
//   label "NAME" [count N] [magic "XXXX"]
//   text "TEXT" [extra "BYTES"] [magic "XXXX"]
//   tail "BYTES"                bytes after the last label
//
// Texts are UTF-16 in the table and UTF-8 here, with \\ \" \n \r \t and
// \uXXXX (control characters, lone surrogates) escaped. Names, the 8-bit
// part of a "WRTS" record ("extra"), magics and the tail are bytes: printable
// ASCII as it stands, other bytes as \xHH. `count` appears only for a label
// whose stored string count is negative (it then holds no string records);
// `magic` only where the record's magic is not the usual one. Lines starting
// with '#' and blank lines are ignored; leading blanks, a byte order mark and
// "\r\n" line ends are accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "CsfArchive.h"

class CsfTableReader;
class OutputBuffer;

// Both directions come in two kinds that share every rule of the form: on a
// table or text held in memory (the dialogs, the tests), and streamed
// between files through buffers of a fixed size (modtools), which holds no
// more than one label, or one line, at a time beyond its buffers.

// Appends the text form of a loaded table to out.
void csfToText(const CsfArchive& archive, std::string& out);
// Writes the text form of the table `reader` has just opened into target,
// through a temporary file beside it moved into place only when complete;
// reads the table to its end. False, with the system's reason in failure,
// when it could not be written; an existing target is then left as it was.
bool csfWriteText(CsfTableReader& reader, const std::string& target, std::string& failure);

// One string record's text in UTF-8: quoted and escaped as in the text form,
// or as it stands with a lone surrogate shown as U+FFFD.
std::string csfTextUtf8(const CsfArchive& archive, const CsfTextSlot& slot, bool quoted);
// The same from `units` stored units at data, appended to out.
void csfAppendTextUtf8(OutputBuffer& out, const unsigned char* data, std::size_t units, bool quoted);

struct CsfTextError {
    std::size_t line = 0;  // 1-based line of the fault
    std::string reason;
};

// Builds the table bytes the text describes into table. False, with the
// line and the reason in error, at the first malformed line or at the line
// that takes the table past sizeLimit bytes (only tests give another limit
// than the format's own).
bool csfFromText(const char* text, std::size_t size, std::string& table, CsfTextError& error,
                 std::uint64_t sizeLimit = CsfArchive::SIZE_LIMIT);

enum class CsfBuildResult {
    BUILT,         // the table is in place
    BAD_TEXT,      // a line is malformed or takes the table past the limit: error says which
    CANNOT_READ,   // the text could not be read to its end
    CANNOT_WRITE,  // the table could not be written: failure holds the system's reason
};
// Builds the table the text read from `text` describes into target in one
// pass: each line's bytes go to a temporary file beside the target as it is
// read, the counts into their fields when known, and the temporary is moved
// into place only when the whole text was read and written. Anything but
// BUILT leaves an existing target as it was and no temporary behind; a text
// whose table cannot be written is still read through, so that a malformed
// line is named first. labelCount: the header's label count of the table.
// `text` is a stream opened for reading with nothing read from it yet.
CsfBuildResult csfBuildTable(std::FILE* text, const std::string& target, CsfTextError& error,
                             std::int32_t& labelCount, std::string& failure,
                             std::uint64_t sizeLimit = CsfArchive::SIZE_LIMIT);
