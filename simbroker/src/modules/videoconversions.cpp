// QZVideoDevice's conversions between positions and sizes on the image (fractions of
// the image, 0.5 at its centre) and the angles they stand for.
#include "../behaviours.h"

#include "../callfault.h"

namespace qzsim {

namespace {

using QZ::QZValue;

const char kVideoConversionsModule[] = "QZVideoDevice";
// Fields of view of both cameras, radians.
constexpr float kWidthAngle = 1.063f;
constexpr float kHeightAngle = 0.831f;

// Image position (fractions of the image, 0.5 at the centre) and angles.
std::vector<float> convert(const Args& a, int index, bool toAngles, bool sizes) {
  const std::vector<float> in = a.numbers(index);
  if (in.size() < 2) a.failArgument(index, "must hold two numbers");
  std::vector<float> out(in);
  const float w = kWidthAngle, h = kHeightAngle;
  if (sizes) {
    out[0] = toAngles ? in[0] * w : in[0] / w;
    out[1] = toAngles ? in[1] * h : in[1] / h;
  } else {
    out[0] = toAngles ? (0.5f - in[0]) * w : 0.5f - in[0] / w;
    out[1] = toAngles ? (in[1] - 0.5f) * h : 0.5f + in[1] / h;
  }
  return out;
}

}  // namespace

void installVideoConversions(Behaviours& b) {
  auto on = [&b](const std::string& key, Behaviour behaviour) { b.add(kVideoConversionsModule, key, std::move(behaviour)); };
  struct Conversion {
    const char* withCamera;
    const char* without;
    bool toAngles, sizes;
  };
  for (const Conversion& c : {Conversion{"getAngularPositionFromImagePosition", "getAngPosFromImgPos", true, false},
                              Conversion{"getImagePositionFromAngularPosition", "getImgPosFromAngPos", false, false},
                              Conversion{"getAngularSizeFromImageSize", "getAngSizeFromImgSize", true, true},
                              Conversion{"getImageSizeFromAngularSize", "getImgSizeFromAngSize", false, true}}) {
    on(std::string(c.withCamera) + "(int,list of floats)", [c](const Args& a, TaskControl&) {
      return QZValue(convert(a, 1, c.toAngles, c.sizes));
    });
    on(std::string(c.without) + "(list of floats)", [c](const Args& a, TaskControl&) {
      return QZValue(convert(a, 0, c.toAngles, c.sizes));
    });
  }
  // [angle x, angle y, angular width, angular height] to the image's [x, y, width, height].
  auto info = [](const Args& a, int index) {
    std::vector<float> in = a.numbers(index);
    if (in.size() < 4) a.failArgument(index, "must hold four numbers");
    return QZValue(std::vector<float>{0.5f - in[0] / kWidthAngle, 0.5f + in[1] / kHeightAngle,
                                      in[2] / kWidthAngle, in[3] / kHeightAngle});
  };
  on("getImageInfoFromAngularInfo(int,list of floats)", [info](const Args& a, TaskControl&) { return info(a, 1); });
  on("getImageInfoFromAngularInfoWithResolution(int,list of floats,int)",
     [info](const Args& a, TaskControl&) { return info(a, 1); });
  on("getImgInfoFromAngInfo(list of floats)", [info](const Args& a, TaskControl&) { return info(a, 0); });
  on("getImgInfoFromAngInfoWithRes(list of floats,int)", [info](const Args& a, TaskControl&) { return info(a, 0); });
}

}  // namespace qzsim
