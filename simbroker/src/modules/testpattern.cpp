#include "testpattern.h"

#include "stamp.h"

#include <algorithm>
#include <vector>

namespace qzsim {

namespace {

struct Rgb {
  int r, g, b;
};
const Rgb kBars[] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                     {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
constexpr int kPixelsPerFrame = 4;

unsigned char clampByte(int v) { return static_cast<unsigned char>(std::min(255, std::max(0, v))); }

int luma(const Rgb& c) { return (77 * c.r + 150 * c.g + 29 * c.b) >> 8; }
int chromaU(const Rgb& c) { return ((-43 * c.r - 85 * c.g + 128 * c.b) >> 8) + 128; }
int chromaV(const Rgb& c) { return ((128 * c.r - 107 * c.g - 21 * c.b) >> 8) + 128; }

Rgb pixelAt(int x, int y, int width, int height, int camera, unsigned frame) {
  const int shift = static_cast<int>((frame * kPixelsPerFrame) % static_cast<unsigned>(width));
  const Rgb bar = kBars[((x + shift) % width) * 8 / width];
  // Darker toward the bottom; the second camera sees the bars upside down.
  const int row = camera == 1 ? height - 1 - y : y;
  const int shade = 256 - (row * 128) / height;
  return Rgb{(bar.r * shade) >> 8, (bar.g * shade) >> 8, (bar.b * shade) >> 8};
}

void writePixel(unsigned char* out, int x, const Rgb& c, int colorSpace) {
  switch (colorSpace) {
    case 0: out[0] = clampByte(luma(c)); break;
    case 9: out[0] = clampByte(luma(c)); out[1] = clampByte(x % 2 == 0 ? chromaU(c) : chromaV(c)); break;
    case 10: out[0] = clampByte(luma(c)); out[1] = clampByte(chromaU(c)); out[2] = clampByte(chromaV(c)); break;
    case 12: {
      const int high = std::max({c.r, c.g, c.b}), low = std::min({c.r, c.g, c.b});
      out[0] = clampByte(high == low ? 0 : (c.r == high ? 0 : c.g == high ? 85 : 170));
      out[1] = clampByte(high == 0 ? 0 : (high - low) * 255 / high);
      out[2] = clampByte(luma(c));
      break;
    }
    case 13: out[0] = clampByte(c.b); out[1] = clampByte(c.g); out[2] = clampByte(c.r); break;
    default: out[0] = clampByte(c.r); out[1] = clampByte(c.g); out[2] = clampByte(c.b); break;
  }
}

}  // namespace

bool resolutionSize(int resolution, int& width, int& height) {
  if (resolution < 0 || resolution > 3) return false;
  width = 160 << resolution;
  height = 120 << resolution;
  return true;
}

int layersOf(int colorSpace) {
  switch (colorSpace) {
    case 0: return 1;
    case 9: return 2;
    case 10:
    case 11:
    case 12:
    case 13: return 3;
    default: return 0;
  }
}

QZ::QZValue renderImage(int resolution, int colorSpace, int camera, unsigned frame) {
  int width = 0, height = 0;
  resolutionSize(resolution, width, height);
  const int layers = layersOf(colorSpace);
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * layers);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      writePixel(&pixels[(static_cast<std::size_t>(y) * width + x) * layers], x,
                 pixelAt(x, y, width, height, camera, frame), colorSpace);
  const QZ::QZValue stamp = stampValue(std::chrono::system_clock::now());
  QZ::QZValue image;
  image.arraySetSize(8);
  image[0] = width;
  image[1] = height;
  image[2] = layers;
  image[3] = colorSpace;
  image[4] = stamp[0];
  image[5] = stamp[1];
  image[6].SetBinary(pixels.data(), static_cast<int>(pixels.size()));
  image[7] = camera;
  return image;
}

}  // namespace qzsim
