#pragma once

#include <string>

struct SaveDetail;

// The message of a file the window could not write: its path on the first
// line, the cause on the next (the system's error text, or the encoder's
// words): "Impossible d'enregistrer '/out/anim/IMAGE0012.BMP'\nNo space
// left on device".
std::string SaveFailureText(const std::string &fileName, const SaveDetail &detail);
