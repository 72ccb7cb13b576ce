#pragma once

#include <QFont>

namespace ui {

// Maps the Windows font names the windows are designed in to fonts a Debian desktop has:
// 宋体/SimSun to "AR PL UMing CN" (same metrics at 12 px: "W" 6 px, ideographs and line 12 px),
// "MS Sans Serif" to a sans-serif font. Call once after the application object exists.
void InstallFontSubstitutions();

// 宋体 with the given character height in pixels.
QFont SongFont(int pixelHeight, bool bold = false);
// MS Sans Serif with the given character height in pixels.
QFont SansFont(int pixelHeight);

} // namespace ui
