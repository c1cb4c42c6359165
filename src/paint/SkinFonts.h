#pragma once
#include <QString>

// Tahoma comes from Wine's font folder, which fontconfig does not scan, and the stand-in for
// Chiller from its package's folder; Chiller itself from the user's Data folder when present.
// Returns the id of the Chiller font, or -1 when none was added.
int RegisterSkinFonts(const QString& dataFolder);
