// The design library: the design files of the LIBRARY folder installed with the program, and the
// summary of one of them read without opening it as a document. The reader is the browser's own:
// it knows the design file's tags except SecurityFuse, the filter configurations, ModifiedFromCfg
// and the filter type elements, so a ZelC design (which holds SecurityFuse) and a ZelD/ZelE design
// with filter configurations show the unrecognised-element message for each of those elements.
#pragma once

#include <string>
#include <vector>

#include "document/SummaryInfo.h"

namespace kalidor {

// The Title shown for a file that is not a design file.
inline constexpr const char kLibraryDataNotAvailable[] = "(error, data not available)";

// The library folder: the program's LIBRARY support folder, the whole path, with a trailing '/'.
std::string LibraryFolderPath();

// The names (without folder) of the design files in `folder`: regular files whose name ends in
// ".ZEL" in any case, sorted by name. Empty when the folder is missing or holds none.
std::vector<std::string> LibraryFileNames(const std::string& folder);

// Reads the summary of the design text into `summary`: 0, or -1 when the text does not start with
// the design root element (the summary is then left as it was).
int ParseLibrarySummary(const std::string& text, CSummaryInfo& summary);

// What the browser shows for one file.
struct CLibrarySummary {
    bool opened = false;   // the file could be read ("Open File" is offered)
    CSummaryInfo summary;  // Title "(error, data not available)" for a file that is no design
};
// Reads the file at `path` and its summary. A file that cannot be read is reported with the
// program's failed-to-open message.
CLibrarySummary ReadLibrarySummary(const std::string& path);

}  // namespace kalidor
