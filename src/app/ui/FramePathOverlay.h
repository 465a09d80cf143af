#pragma once

#include "anim/FramePath.h"

class PictureViewport;
class QPainter;

// Draws a run's path over the panorama as the viewport shows it: the line
// through the frames' centres, the last frame dashed and the first frame
// solid on top, each on a dark edge so that it shows on any picture.
void DrawFramePath(QPainter &painter, const PathOutline &path, const PictureViewport &viewport);
