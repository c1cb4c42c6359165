#pragma once
#include <QString>

// Shortens a text by three characters at a time until it fits maxWidth pixels
// of the bold interface font (Tahoma, 11 px), then appends "..." when anything
// was cut and the cut text fits. The dots may overhang by their own width.
// Empty and blank-only texts come back unchanged.
QString FitText(const QString& text, int maxWidth);
