#pragma once
// What the document keeps in the settings file, and the extension its open
// dialog adds to a name typed without one. The program's resource table names
// the section too: the main frame keeps its placement beside the picture.

namespace doc {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kImageKey = "Image";  // the picture shown when the program closed
inline constexpr const char* kOpenDefaultExtension = "bmp";

}  // namespace doc
