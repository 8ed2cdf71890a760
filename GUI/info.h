// The process-wide message box. Until the dialog toolkit exists it writes the
// message to standard error. It never blocks and never needs a display.
#pragma once

void SInfo(const char* text, const char* title);
