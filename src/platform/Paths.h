// Where the program and its support folders are. In the build tree the folders SupportFiles, SPICE,
// LIBRARY, MACRO, UserDefinedMacro and html lie beside the executable. An installation keeps the
// programs in PREFIX/bin, the data folders in PREFIX/share/kalidor and the folders of macro
// programs in PREFIX/lib/kalidor; the lookup finds either layout from the program's own place, so
// the installed programs work from any directory.
#pragma once

#include <cstddef>
#include <string>

namespace kalidor {

// Directory of the running program file, without a trailing '/' (the whole path, never cut).
std::string ProgramDirectory();
// Overrides the program directory (tests, and programs started from elsewhere); "" restores it.
void SetProgramDirectory(const std::string& dir);

// A support folder ("SupportFiles", "SPICE", ...) without trailing '/': the one beside the program
// when it exists there, else the installed one; beside the program when neither exists.
std::string SupportFolder(const std::string& name);
// A file that belongs to the programs themselves (a plugin library): beside the program when it is
// there, else in the installed folder of program files (PREFIX/lib/kalidor); beside the program
// when neither holds it.
std::string ProgramFile(const std::string& name);
// A file in the SupportFiles folder.
std::string SupportFile(const std::string& fileName);

// Support-file lookup by number: 1100 the ZelA gain table, 1101..1108 the ZelA gain-wizard
// pictures, 1200 the ZelB gain table. Writes the full path into `buffer` (always terminated);
// returns false for an unknown number or when the path does not fit, leaving it truncated.
bool SupportFilePath(int number, char* buffer, std::size_t size);
// The name of support file `number` ("ZelA_GainTable.xml"), or "" for an unknown number.
std::string SupportFileName(int number);

// The user's configuration folder for Kalidor ($XDG_CONFIG_HOME or ~/.config, then
// "Norvane Dividaduzudav Corporation").
std::string ConfigDirectory();

}  // namespace kalidor
