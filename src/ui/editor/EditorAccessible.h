// Screen readers see RichTextBox1 as an editable text: its text, caret and
// selection through QAccessibleTextInterface.
#pragma once

namespace ui {

// Registers the accessibility interface of the editor view (once).
void InstallEditorAccessibility();

}  // namespace ui
