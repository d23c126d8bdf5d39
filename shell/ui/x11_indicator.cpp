#include "shell/ui/x11_indicator.h"

#include <X11/XKBlib.h>

namespace velk {

bool readX11Indicator(void *display, const char *name, bool *on)
{
    auto *x = static_cast<Display *>(display);
    Atom atom = XInternAtom(x, name, False);
    Bool state = False;
    if (atom == None || !XkbGetNamedIndicator(x, atom, nullptr, &state, nullptr, nullptr))
        return false;
    *on = state != False;
    return true;
}

} // namespace velk
