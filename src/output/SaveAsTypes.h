#pragma once

#include <string>

// The file types "Enregister Sous..." offers: the formats a frame file is
// written in (BMP, JPEG, PNG, TIFF), in Qt's filter form, BMP first.
std::string SaveAsDialogFilter();

// The name the picture is saved under, so that its extension says the
// chosen type: the typed name when its extension is one of that type's (in
// any letter case), else the typed name with the type's extension added
// ("vue" and "vue.gif" saved as PNG: "vue.png", "vue.gif.png"). A filter
// that is not one of SaveAsDialogFilter's counts as its first.
std::string SaveAsFileName(const std::string &typedName, const std::string &chosenFilter);
