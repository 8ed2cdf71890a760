#include "GUI/xerror.h"

#include <X11/Xatom.h>

#include <atomic>
#include <cstdio>

#include "GUI/world.h"

namespace velk::gui {

namespace {
std::atomic<bool> xerror{false};
} // namespace

int XErrorHandlerProc(Display* display, XErrorEvent* error) {
    char text[1024] = {};
    XGetErrorText(display, error->error_code, text, sizeof(text));
    fprintf(stderr, "XError Message: %s\n", text);
    if (error->request_code < 128) {
        char number[16];
        snprintf(number, sizeof(number), "%i", error->request_code);
        char request[1024] = {};
        XGetErrorDatabaseText(display, "XRequest", number, "", request, sizeof(request));
        fprintf(stderr, "XError Message: (%s)\n", request);
        fprintf(stderr, "XError Message: Request=%i\n", error->request_code);
        fprintf(stderr, "XError Message: Serial=%i\n", static_cast<int>(error->serial));
        fprintf(stderr, "XError Message: Minor=%i\n", error->minor_code);
        fprintf(stderr, "XError Message: XID=%i\n", static_cast<int>(error->resourceid));
    }
    xerror.store(true, std::memory_order_release);
    return 0;
}

bool XErrorOccurred() {
    return xerror.load(std::memory_order_acquire);
}

void ClearXError() {
    xerror.store(false, std::memory_order_release);
}

bool ReadProperty32(Display* display, Window window, Atom atom, unsigned long& item) {
    item = 0;
    if (!display || !window || !atom) return false;
    ClearXError();
    XErrorHandler previous = XSetErrorHandler(XErrorHandlerProc);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, atom, 0, 1, False, AnyPropertyType,
                                          &type, &format, &count, &remaining, &data);
    // The reply is in: any error of this request has reached the handler.
    XSetErrorHandler(previous);
    bool ok = status == Success && !XErrorOccurred() && data && format == 32 && count == 1 &&
              remaining == 0;
    if (ok) item = *reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul;
    if (data) XFree(data);
    return ok;
}

namespace {
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}
} // namespace

SQuietErrors::SQuietErrors(Display* display) : display(display) {
    XSync(display, False);
    previous = XSetErrorHandler(IgnoreError);
}

SQuietErrors::~SQuietErrors() {
    XSync(display, False); // the replies are in: every error of ours has been swallowed
    XSetErrorHandler(previous);
}

void UndefineCursorSafely(Display* display, Window window) {
    if (!display || !window) return;
    SQuietErrors quiet(display);
    XUndefineCursor(display, window);
}

unsigned long getProperty(Window window, Atom atom) {
    unsigned long item = 0;
    ReadProperty32(XDisplay(), window, atom, item);
    return item;
}

} // namespace velk::gui
