#pragma once

class QFileDialog;

// File and folder dialogs open large enough for their columns (name, size,
// type and date side by side): at least 900 x 560, or the whole screen
// when it is smaller.
void FitFileDialog(QFileDialog &dialog);
