#pragma once

#include <QString>

namespace TextFamily {
// The face of every text of ours, in the windows and in the PDF: Lato, whose medium and
// semibold weights the text styles use, where it is installed; else the desktop's font.
// Kept apart from the theme, which brings the widget library with it: a program that only
// writes reports uses this without loading that library.
QString family();
}  // namespace TextFamily
