// The process-wide message box: one message dialog, made on first use and kept until
// the library unloads. The message always goes to standard error as well, so a host
// without a display (or a log) still sees it.
#pragma once

struct _XDisplay;

namespace velk::gui {

class SMessageDialog;

// Writes "title: text" to standard error, then shows the text in the process-wide
// dialog sized to it and centred on its monitor. Returns at once; without a display
// only the line is written.
void SInfo(const char* text, const char* title);

// The dialog, or null when none was made.
SMessageDialog* InfoDialog();

// Destroys the dialog when it lives on `closing` (any connection for null), before
// that connection goes.
void ReleaseInfoDialog(_XDisplay* closing);

} // namespace velk::gui

using velk::gui::SInfo;
