// Design files: any text read as a design never crashes, and a design read is written back stably
// (what is written reads again to the same text), with its formatted text and JEDEC exports.
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "document/Exports.h"
#include "document/SchDoc.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    // Without the ZelA/ZelB schematic support files (the schematic harness reads those): a
    // document then works without their symbols, and each input costs a tenth.
    static const bool noSupportFiles = (SetProgramDirectory("/nonexistent/kalidor-fuzz"), true);
    (void)noSupportFiles;

    CSchDoc doc;
    if (!doc.ReadDesign(fuzz::Text(data, size)))
        return 0;
    const std::string first = doc.WriteDesign();
    CSchDoc again;
    if (!again.ReadDesign(first))
        fuzz::Broken("a written design does not read", first);
    const std::string second = again.WriteDesign();
    if (second != first)
        fuzz::Broken("a written design reads back differently", first + "\n----\n" + second);

    CExportContext context;
    if (FillExportContext(context, again)) {
        (void)FormattedText(context);
        std::ostringstream jedec;
        ExportJedecFile(jedec, context);
    }
    return 0;
}
