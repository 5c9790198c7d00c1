#include "document/DesignUtilities.h"

#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "platform/Prompter.h"
#include "utilities/ConfigurationCopy.h"
#include "utilities/FilterTable.h"
#include "utilities/GainTable.h"
#include "utilities/LadderTable.h"

namespace kalidor {

const char kStepCopyGain[] = "Copy Gain Configuration";
const char kStepCopyLadder[] = "Copy Ladder Filter Configuration";

namespace {

bool NoEntry(const void* entry)
{
    if (entry)
        return false;
    CurrentPrompter().Message(kMsgNoEntrySelected, "Kalidor", Buttons::Ok, MessageIcon::Information);
    return true;
}

}  // namespace

int CopyGainToSchematic(CSchDoc& doc, const CGainEntry* entry, const CGainConnection* connection)
{
    if (NoEntry(entry) || !connection || !doc.Device())
        return 0;
    bool copied = false;
    doc.Change(kStepCopyGain, [&] {
        copied = ApplyGainConfiguration(*doc.Device(), *entry, *connection);
        if (!copied)
            return false;
        doc.SetGainPhaseInputNode(connection->input);
        doc.SetGainPhaseOutputNode(connection->output);
        doc.SetModifiedFlag(true);
        doc.RefreshValueTexts();
        doc.UpdateAllViews(kHintNone);
        return true;
    });
    return copied ? 1 : 0;
}

int CopyLadderToSchematic(CSchDoc& doc, const CFilterEntry4Macro* entry)
{
    if (NoEntry(entry) || !doc.Device() || doc.Device()->Kind() != DeviceKind::ZelA)
        return 0;
    doc.Change(kStepCopyLadder, [&] {
        ApplyLadderEntry(*doc.Device(), *entry);
        doc.SetGainPhaseOutputNode(static_cast<int>(entry->d[CFilterEntry4Macro::kOutputNode]));
        doc.SetSummaryField(CSummaryField::kTitle, kLadderTitle);
        doc.SetSummaryField(CSummaryField::kKeywords, kLadderKeywords);
        doc.SetSummaryField(CSummaryField::kComments, kLadderComments);
        doc.SetModifiedFlag(true);
        doc.RefreshValueTexts();
        doc.UpdateAllViews(kHintNone);
        return true;
    });
    return 1;
}

}  // namespace kalidor
