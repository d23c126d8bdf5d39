// x11_indicator.h - one keyboard indicator of the X server (Xkb), apart from Qt's headers,
// whose names the X headers' macros would clash with.
#ifndef VELK_SHELL_UI_X11_INDICATOR_H
#define VELK_SHELL_UI_X11_INDICATOR_H

namespace velk {

// `display` is the program's X Display; false when the indicator cannot be read.
bool readX11Indicator(void *display, const char *name, bool *on);

} // namespace velk

#endif
