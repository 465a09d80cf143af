#pragma once

// Resampling: the pixel machinery of the camera.
//
// A panorama is scaled once (PanoramaScaler.h) so that its side across the
// travel fits the frame, then every frame is cut from it at a fractional
// position along the travel (FrameSampler.h).
//
// - ResampleFilters.h: the filter functions (Lanczos3, Keys cubic) and the
//   weight tables of one axis, computed once per size or per frame.
// - ResampleRows.h: the row loops that do the arithmetic, built twice (AVX2
//   and plain) and chosen when the program loads.
// - PanoramaScaler.h: any size to any size, reduction antialiased (an integer
//   box pre-shrink for large factors, then Lanczos3 widened by the remaining
//   factor), enlargement by Lanczos3; fed row by row, it holds a band of rows
//   of the output's width, never the source.
// - LoadSize.h: a picture loaded at a smaller size goes through the scaler
//   as its decoder delivers the rows (PictureLoader.h), never held whole.
// - FrameSampler.h: one frame at a sub-pixel position, a short interpolating
//   kernel along the travel only; integer positions are plain copies.
//
// Pictures are Bitmap24 (BGR, rows top first). Results round to nearest and
// clamp; a flat colour comes out as the same colour, borders included.
