// Opens the value editor of a schematic symbol by its dialog type and stores the result in the
// document as one undoable change.
#pragma once

class QWidget;

namespace kalidor {

class SchDocument;

// Runs the editor of symbol `key`; 1 when the design changed (the document is then marked
// modified, its value texts refreshed and its views updated), else 0.
int EditSymbolValue(QWidget* parent, SchDocument& doc, int key);

}  // namespace kalidor
