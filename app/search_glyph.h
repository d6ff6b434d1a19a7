#pragma once

// Pictures drawn at run time, so the program ships no image files of its own
// besides the desktop icon.

#include <QIcon>

namespace veralith::app {

// The Search button's glyph: a magnifying glass, with a greyed state for a
// disabled button.
QIcon SearchGlyph();

// The window icon: a magnifying glass over two equal bars.
QIcon ApplicationIcon();

} // namespace veralith::app
