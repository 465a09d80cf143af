#include "options/JpegOptions.h"

// Starts with the defaults of the record; nothing is stored between runs.
TJpegOptions JpegOptions;
