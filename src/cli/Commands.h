// The commands of kalidor-cli. Each takes the arguments after its name and returns the exit
// status: 0 success, 1 failure of the operation, 2 a usage error (unknown type, key, malformed
// argument), 3 a verify difference.
#pragma once

#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace kalidor {
class CSchDoc;
}

namespace kalidor::cli {

using Args = std::vector<std::string>;

int RunDevices(const Args& args);
int RunDevice(const Args& args);
int RunNew(const Args& args);
int RunShow(const Args& args);
int RunSet(const Args& args);
int RunExportCommand(const Args& args);
int RunImportJedec(const Args& args);
int RunProgramText(const Args& args);
int RunRender(const Args& args);
int RunProgram(const Args& args);
int RunSvf(const Args& args);
int RunServeVirtual(const Args& args);
int RunSimulate(const Args& args);
int RunPlot(const Args& args);
int RunFilters(const Args& args);
int RunChain(const Args& args);
// "chain program", beside "program".
int RunChainProgram(const Args& args);
int RunChainScan(const Args& args);
int RunLadders(const Args& args);
int RunGains(const Args& args);

// Helpers shared by the commands.
int UsageError(const std::string& message);  // prints "Kalidor: <message>", returns 2
bool ParseInt(const std::string& text, int& value);
// Splits "KEY=VALUE" into two integers.
bool ParsePair(const std::string& text, int& key, int& value);
// How the commands that write treat a read-only file: refused unless `force` (--force).
inline ReadOnlyFile ReadOnlyMode(bool force) { return force ? ReadOnlyFile::kReplace : ReadOnlyFile::kRefuse; }
// Saves a design; a read-only file is refused unless `force` (the --force option) is given.
bool SaveDesign(CSchDoc& doc, const std::string& path, bool force);
// Writes CR and LF inside a text as the two-character escapes \r and \n.
std::string EscapeLineEnds(const std::string& text);

}  // namespace kalidor::cli
