// The subcommand families of modtools, each added to the program's parser.
#pragma once

#include <string>

#include <string>

class CsfArchive;

namespace CLI {
class App;
}

namespace cli {

void addBigCommands(CLI::App& app);
void addCsfCommands(CLI::App& app);
// to-po and from-po, added to the csf family by addCsfCommands.
void addCsfPoCommands(CLI::App* csf);
// The label count in the header of a table the csf subcommands built.
int tableLabelCount(const std::string& table);
void addScanCommand(CLI::App& app);
void addAssetCommands(CLI::App& app);
void addW3dCommands(CLI::App& app);

// A string table loaded for a csf subcommand; a Failure with status 2 when
// it is missing, not a table or shorter than its header.
void loadTable(CsfArchive& archive, const std::string& path);
// A table whose labels end before its header's count was read only in part:
// a line saying so and STATUS_PARTIAL, else STATUS_DONE.
int warnDamaged(const CsfArchive& archive, const std::string& path);

// The editing subcommands of the big and csf families.
void addBigEditCommands(CLI::App* big);
void addCsfEditCommands(CLI::App* csf);

}  // namespace cli
