#include "app/LockKeys.h"

#include <dlfcn.h>

#include <QGuiApplication>

namespace {

// The X library is opened at run time: the program also runs on displays without it (offscreen, Wayland).
using Atom = unsigned long;
using InternAtomFn = Atom (*)(Display*, const char*, int);
using GetNamedIndicatorFn = int (*)(Display*, Atom, int*, int*, void*, int*);

struct XkbFunctions {
    InternAtomFn internAtom = nullptr;
    GetNamedIndicatorFn getNamedIndicator = nullptr;
    bool Loaded() const { return internAtom != nullptr && getNamedIndicator != nullptr; }
};

const XkbFunctions& Functions() {
    static const XkbFunctions functions = [] {
        XkbFunctions f;
        void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr) return f;
        f.internAtom = reinterpret_cast<InternAtomFn>(dlsym(library, "XInternAtom"));
        f.getNamedIndicator = reinterpret_cast<GetNamedIndicatorFn>(dlsym(library, "XkbGetNamedIndicator"));
        return f;
    }();
    return functions;
}

Display* X11Display() {
    auto* app = qGuiApp;
    if (app == nullptr) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

bool IndicatorOn(Display* display, const char* name) {
    const XkbFunctions& f = Functions();
    const Atom atom = f.internAtom(display, name, 0);
    int state = 0;
    return atom != 0 && f.getNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr) != 0 && state != 0;
}

}  // namespace

std::optional<LockKeyState> QueryLockKeys() {
    Display* display = X11Display();
    if (display == nullptr || !Functions().Loaded()) return std::nullopt;
    LockKeyState s;
    s.caps = IndicatorOn(display, "Caps Lock");
    s.num = IndicatorOn(display, "Num Lock");
    s.scroll = IndicatorOn(display, "Scroll Lock");
    return s;
}
