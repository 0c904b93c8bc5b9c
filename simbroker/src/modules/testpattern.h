// The simulated cameras' pictures: colour bars that move by a few pixels with every
// frame, over a brightness ramp, in the asked resolution and colour space.
//
// An image value is the Array
//   [width, height, layers, colour space, seconds, microseconds, pixels, camera]
// with Ints everywhere except the pixels, a Binary of width * height * layers bytes,
// row after row; it travels as a DIME attachment.
#ifndef QZSIM_TESTPATTERN_H
#define QZSIM_TESTPATTERN_H

#include "qzvalue/qzvalue.h"

namespace qzsim {

// Resolutions: 0 160x120, 1 320x240, 2 640x480, 3 1280x960. False for others.
bool resolutionSize(int resolution, int& width, int& height);
// Bytes per pixel of a colour space: 0 Y (1), 9 YUV422 (2), 10 YUV, 11 RGB, 12 HSY,
// 13 BGR (3 each); 0 for an unknown space.
int layersOf(int colorSpace);
// The image of frame number `frame` of `camera`; resolution and space must be known.
QZ::QZValue renderImage(int resolution, int colorSpace, int camera, unsigned frame);

}  // namespace qzsim

#endif
