// The design utilities' copies into a design, each one undoable step of the document: a gain
// configuration of ZelA/ZelB and a ZelA ladder filter entry. (The ZelD/ZelE filter configuration
// copy is the document's own CopyFilterToSchematic.)
#pragma once

namespace kalidor {

class CFilterEntry4Macro;
class CSchDoc;
struct CGainConnection;
struct CGainEntry;

extern const char kStepCopyGain[];    // "Copy Gain Configuration"
extern const char kStepCopyLadder[];  // "Copy Ladder Filter Configuration"

// Sets the gains and wiring of a gain table entry for one of its connections and points the
// active curve from the connection's input to its output. Without an entry (no row selected) it
// shows kMsgNoEntrySelected. 1 when copied, 0 when not.
int CopyGainToSchematic(CSchDoc& doc, const CGainEntry* entry, const CGainConnection* connection);

// Copies a ladder entry into a ZelA design: the four blocks (ApplyLadderEntry), the active curve's
// output node d25, and the summary's Title, Keywords and Comments; marks the design modified and
// updates its views. Without an entry it shows kMsgNoEntrySelected. 1 when copied, 0 when not.
int CopyLadderToSchematic(CSchDoc& doc, const CFilterEntry4Macro* entry);

}  // namespace kalidor
