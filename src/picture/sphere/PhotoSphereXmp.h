#pragma once

#include "picture/sphere/SphereProjection.h"

#include <optional>
#include <string>

// The Photo Sphere fields (namespace http://ns.google.com/photos/1.0/panorama/,
// prefix GPano by custom) of an XMP packet (see SphereViews.h), written as
// attributes of rdf:Description or as its elements.
struct PhotoSphereFields {
    std::optional<std::string> projectionType; // as written: "equirectangular", "cylindrical"...
    std::optional<bool> usePanoramaViewer;
    std::optional<std::int64_t> fullPanoWidthPixels;
    std::optional<std::int64_t> fullPanoHeightPixels;
    std::optional<std::int64_t> croppedAreaImageWidthPixels;
    std::optional<std::int64_t> croppedAreaImageHeightPixels;
    std::optional<std::int64_t> croppedAreaLeftPixels;
    std::optional<std::int64_t> croppedAreaTopPixels;
    std::optional<double> poseHeadingDegrees;
};

// What a packet says of the picture's place on the sphere.
struct PhotoSphereReading {
    PhotoSphereFields fields;
    // The picture's mapping, when the fields make one for a picture of the
    // size given to ReadPhotoSphere (a placement written for another size
    // is scaled to it).
    std::optional<SphereMapping> mapping;
    // Why the packet gives no mapping ("not XML: ...", "GPano:ProjectionType
    // 'fisheye' is not read"); empty when it gives one, or has no Photo
    // Sphere field at all.
    std::string ignoredBecause;
};

// Never throws for any packet text.
PhotoSphereReading ReadPhotoSphere(const std::string &packet, int pictureWidth, int pictureHeight);
