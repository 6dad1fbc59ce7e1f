// Holds Ctrl+Alt+4 on the X server the way another program's global key would, until it is
// killed. Prints "held" once the grab is in place.

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <unistd.h>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const KeyCode key = XKeysymToKeycode(display, XK_4);
    XGrabKey(display, key, ControlMask | Mod1Mask, DefaultRootWindow(display), True, GrabModeAsync,
             GrabModeAsync);
    XSync(display, False);
    std::puts("held");
    std::fflush(stdout);
    pause();
    return 0;
}
