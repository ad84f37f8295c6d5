#pragma once
// The window's typeface: Tahoma from fonts-wine, registered with Qt on first use, or DejaVu
// Sans where it is missing.

#include <QFont>
#include <QString>

// "Tahoma" once its files are registered, else "DejaVu Sans".
QString UiFontFamily();
// The window's typeface at a size in pixels.
QFont UiFont(int pixel_size, bool bold = false);
// The window's typeface at a size in points (the window's default font is 8 points).
QFont UiFontPoints(int point_size);
