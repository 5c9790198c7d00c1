// The pieces of the design file reader that more than one reader uses: the registered tags, the
// read limits, the summary block and the step over an element the reader does not know. The
// document reads a whole design with them; the library browser reads only the summary.
#pragma once

#include <cstddef>

namespace kalidor {

class CSummaryInfo;
class CXmlParser;

// Read limits of the fields of a design file.
inline constexpr std::size_t kMaxDeviceType = 79;
inline constexpr std::size_t kMaxFuseMap = 299;
inline constexpr std::size_t kMaxSummaryField = 255;
inline constexpr std::size_t kMaxComments = 4095;

// Codes of the registered tags of a design file.
enum DesignTag {
    kTagRoot = 1, kTagRootEnd, kTagVersion, kTagVersionEnd, kTagDeviceType, kTagDeviceTypeEnd,
    kTagFuseMap, kTagFuseMapEnd, kTagSecurity, kTagSecurityEnd, kTagSummary, kTagSummaryEnd,
    kTagTitle, kTagTitleEnd, kTagAuthor, kTagAuthorEnd, kTagSubject, kTagSubjectEnd,
    kTagKeywords, kTagKeywordsEnd, kTagComments, kTagCommentsEnd, kTagSimulation,
    kTagSimulationEnd, kTagSymbolic, kTagSymbolicEnd, kTagFilterA, kTagFilterAEnd, kTagFilterB,
    kTagFilterBEnd, kTagModified, kTagModifiedEnd, kTagUnknown, kTagUnknownEnd,
    kTagFilterType = 100,     // + filter type number, start tags
    kTagFilterTypeEnd = 200,  // + filter type number, end tags
};

// Which tags a reader knows: the document all of them; the library browser all but SecurityFuse,
// the filter configurations, ModifiedFromCfg and the filter type elements.
enum class DesignTagSet { kDocument, kLibrary };
void RegisterDesignTags(CXmlParser& parser, DesignTagSet set);

// Reads the SummaryInformation block whose start tag was just read, up to its end tag, into
// `summary` (Title, Subject, Author, Keywords up to 255 characters, Comments up to 4095 without
// the line end the writer puts before the end of the comment).
void ReadSummaryInformation(CXmlParser& parser, CSummaryInfo& summary);

// The messages about unrecognised elements of one file. Each element gets its message until the
// user, asked along with the few first, chooses to skip the rest: a damaged file may hold tens of
// thousands of them.
struct UnrecognizedNotes {
    static constexpr int kAskAfter = 3;
    int shown = 0;
    bool quiet = false;
};

// Steps over an element the reader has not registered and shows the unrecognised-element message
// with the text stepped over (unless `notes` says the user skipped the rest of this file's);
// reading always moves on, whatever the markup.
void SkipUnrecognizedElement(CXmlParser& parser, UnrecognizedNotes& notes);

}  // namespace kalidor
