#pragma once

#include "common/Bitmap24.h"
#include "picture/sphere/SphereProjection.h"

#include <optional>
#include <utility>
#include <vector>

// Panoramas with known geometry and the measures the view tests read from
// frames.

// Black equirectangular panoramas with thin white lines: meridians at the
// given longitudes (between latitudes -80 and 80), or parallels at the given
// latitudes. Each line is a triangle two pixels wide centred on the exact
// angle, so the centroid of its intensity across it is that angle.
Bitmap24 meridianPanorama(int width, int height, const std::vector<double> &longitudes);
Bitmap24 parallelPanorama(int width, int height, const std::vector<double> &latitudes);

// A cube around the camera, turned by yawDegrees: its 12 edges, and an
// equirectangular rendering of them (white lines two pixels wide on black).
using Edge = std::pair<Direction, Direction>; // the edge's two corners (not unit vectors)
std::vector<Edge> cubeEdges(double yawDegrees);
Bitmap24 cubeRoomPanorama(int width, int height, const std::vector<Edge> &edges);
// A point of an edge, fraction t of the way from its first corner.
Direction pointOnEdge(const Edge &edge, double t);

// The intensity centroid (green) of row `row` over columns [from, to], or of
// column `column` over rows [from, to]; nothing when the window leaves the
// frame or holds no light.
std::optional<double> centroidAlongRow(const Bitmap24 &frame, int row, int from, int to);
std::optional<double> centroidAlongColumn(const Bitmap24 &frame, int column, int from, int to);

// The total least-squares line through the points: the largest distance of
// a point from it.
struct Point2 {
    double x = 0.0;
    double y = 0.0;
};
double largestDeviationFromFittedLine(const std::vector<Point2> &points);
