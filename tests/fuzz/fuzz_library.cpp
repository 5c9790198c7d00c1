// The library browser's summary reader: any text is read without harm, and what it shows follows
// the summary's rules (the Title, Author, Subject and Keywords hold no '<' or '>', and none is
// longer than the design file allows).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "document/LibraryReader.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    CSummaryInfo summary;
    if (ParseLibrarySummary(fuzz::Text(data, size), summary) != 0)
        return 0;
    for (const std::string& field : {summary.GetTitle(), summary.GetAuthor(), summary.GetSubject(),
                                     summary.GetKeywords()}) {
        if (field.find_first_of("<>") != std::string::npos)
            fuzz::Broken("a library summary field holds markup", field);
        if (field.size() > 255)
            fuzz::Broken("a library summary field is longer than 255 characters", field);
    }
    if (summary.GetComments().size() > 4095)
        fuzz::Broken("a library summary's comments are longer than 4095 characters");
    return 0;
}
