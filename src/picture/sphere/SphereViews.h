#pragma once

// Views of 360° panoramas: the pixel machinery of a virtual camera turning
// inside the sphere a panorama is painted on.
//
// - SphereProjection.h: how a panorama lies on the sphere (flat, cylindrical,
//   equirectangular), where a partial one is placed in the full sphere, and
//   the panorama point that shows a direction.
// - ViewCamera.h: the output views, rectilinear (a pinhole) and stereographic
//   ("little planet"), turned by yaw and pitch with the conventions of
//   FFmpeg's v360 filter: the ray of each output pixel.
// - ViewRemap.h: one view of one panorama, its tables computed once; each
//   frame adds its yaw (a shift in longitude) and samples the panorama
//   (Lanczos2, from a reduced copy where the view shrinks the panorama).
//   Frames render on any number of threads at once.
// - SphereLevels.h: those reduced copies, each only for the rows the view
//   reads from it.
// - RemapKernel.h: the per-pixel sampling loops, AVX2 and plain, same bytes.
// - PhotoSphereXmp.h: the Photo Sphere (GPano) fields of an XMP packet, and
//   XmpPacket.h: the packet found in a JPEG, PNG or TIFF file.
//
// Angles are degrees in the interfaces. Directions: longitude 0 at the
// panorama's centre, growing to the right; latitude positive up.
