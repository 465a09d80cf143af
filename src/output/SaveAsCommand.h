#pragma once

class Bitmap24;
class WindowServices;
struct TJpegOptions;

// "Enregister Sous...": asks for a name and a type (BMP, JPEG, PNG, TIFF),
// gives the name the chosen type's extension, asks before replacing a file
// (the overwrite dialog: a closed dialog ends the command silently), and
// writes the picture in that type. True when the file was written; a
// failure is shown in the error box with its cause. stopRequested is set
// first: a run or playback in progress ends.
bool SaveAsCommand(
    const Bitmap24 &picture, WindowServices &services, bool &stopRequested, const TJpegOptions &jpegOptions);
