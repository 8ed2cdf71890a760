// The toolkit's X error handler, installed only around property reads.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui {

// Prints the error on standard error as "XError Message: ..." lines, sets the
// error flag and returns 0.
int XErrorHandlerProc(Display* display, XErrorEvent* error);

// Whether an error was reported since the last ClearXError (the GUI thread's flag).
bool XErrorOccurred();
void ClearXError();

// Reads one 32-bit item of a property (any type) with the toolkit's error handler
// in place of the current one. Returns false on a null window, an X error, or any
// item count but one.
bool ReadProperty32(Display* display, Window window, Atom atom, unsigned long& item);

// Undefines the cursor of a window that may already be gone (a host can destroy its
// window first): the error of a stale window is swallowed instead of reaching the
// default handler, which would end the host process.
void UndefineCursorSafely(Display* display, Window window);

// Swallows the X errors of the requests made while it lives (on windows a host may have
// destroyed already), instead of letting the default handler end the host. Errors of
// earlier requests still reach the handler that was in place.
class SQuietErrors {
public:
    explicit SQuietErrors(Display* display);
    ~SQuietErrors();
    SQuietErrors(const SQuietErrors&) = delete;
    SQuietErrors& operator=(const SQuietErrors&) = delete;

private:
    Display* display;
    XErrorHandler previous;
};

// The first 32-bit item of a one-item property, or 0.
unsigned long getProperty(Window window, Atom atom);

} // namespace velk::gui
