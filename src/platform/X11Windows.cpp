#include "platform/X11Windows.h"

#ifdef TARNELO_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#ifdef TARNELO_HAVE_XSHAPE
#include <X11/extensions/shape.h>
#endif

#include <cstdlib>
#include <cstring>
#include <mutex>
#endif

namespace platform {

#ifdef TARNELO_HAVE_X11

namespace {

// A window may vanish between listing and asking about it; Xlib's default reaction to that error ends the
// program, so ours is ignored while one of these calls runs.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::mutex g_handlerMutex;

class Connection {
public:
    Connection() {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0') return;
        m_lock = std::unique_lock<std::mutex>(g_handlerMutex);
        m_display = XOpenDisplay(name);
        if (m_display != nullptr) m_previous = XSetErrorHandler(IgnoreXError);
    }
    ~Connection() {
        if (m_display == nullptr) return;
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
        XCloseDisplay(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return m_display; }

private:
    std::unique_lock<std::mutex> m_lock;
    Display* m_display = nullptr;
    int (*m_previous)(Display*, XErrorEvent*) = nullptr;
};

// The bytes of a property of 8-bit items (a UTF-8 name), empty when absent.
std::string TextProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 256, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 8) text.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return text;
}

// The process id the window names, 0 when it names none.
long WindowPid(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", True);
    if (property == None) return 0;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &actualType, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 32 && count == 1) pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

bool TitleContains(Display* display, Window window, const std::string& part) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        const bool found = std::strstr(name, part.c_str()) != nullptr;
        XFree(name);
        if (found) return true;
    }
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", True);
    if (netName == None || utf8 == None) return false;
    return TextProperty(display, window, netName, utf8).find(part) != std::string::npos;
}

// Looks at the children of parent and, under a window manager that frames its clients, one level below.
Window Search(Display* display, Window parent, const std::string& part, long pid, int depth) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
            continue;
        }
        if (!TitleContains(display, children[i], part)) continue;
        const long owner = pid > 0 ? WindowPid(display, children[i]) : 0;
        if (owner == 0 || owner == pid) found = children[i];
    }
    for (unsigned int i = 0; i < count && found == 0 && depth > 0; ++i) {
        found = Search(display, children[i], part, pid, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

unsigned long FindTopLevelWindow(const std::string& titlePart, long pid) {
    Connection connection;
    Display* display = connection.get();
    if (display == nullptr || titlePart.empty()) return 0;
    return Search(display, DefaultRootWindow(display), titlePart, pid, 1);
}

unsigned long ParentWindow(unsigned long window) {
    Connection connection;
    Display* display = connection.get();
    if (display == nullptr || window == 0) return 0;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    return parent;
}

bool WindowExists(unsigned long window) {
    Connection connection;
    Display* display = connection.get();
    if (display == nullptr || window == 0) return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

bool PassPointerThrough(unsigned long window) {
#ifdef TARNELO_HAVE_XSHAPE
    Connection connection;
    Display* display = connection.get();
    if (display == nullptr || window == 0) return false;
    int event = 0;
    int error = 0;
    if (!XShapeQueryExtension(display, &event, &error)) return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
    XShapeCombineRectangles(display, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    return true;
#else
    (void)window;
    return false;
#endif
}

#else  // no X11 in this build

unsigned long FindTopLevelWindow(const std::string&, long) { return 0; }
unsigned long ParentWindow(unsigned long) { return 0; }
bool WindowExists(unsigned long) { return false; }
bool PassPointerThrough(unsigned long) { return false; }

#endif

}  // namespace platform
