// QZVideoDevice: two simulated cameras (0 top, 1 bottom). A client subscribes with a
// resolution, a colour space and a frame rate, then takes images of a moving test
// pattern (testpattern.h) under the name the subscription answered.
#include "../behaviours.h"
#include "testpattern.h"

#include "../callfault.h"

#include <cmath>
#include <map>

namespace qzsim {

namespace {

using QZ::QZValue;

const char kVideoDeviceModule[] = "QZVideoDevice";
constexpr std::size_t kMaxSubscribers = 64;
constexpr int kCameras = 2;

struct Subscriber {
  std::vector<int> cameras, resolutions, spaces;
  int fps = 30;
  unsigned frame = 0;
  std::map<int, int> parameters;
};

struct Video {
  std::mutex mutex;
  std::map<std::string, Subscriber> subscribers;
  int activeCamera = 0;
};

int checkedResolution(const Args& a, int index, int resolution) {
  int w = 0, h = 0;
  if (!resolutionSize(resolution, w, h))
    a.failArgument(index, "is no resolution: " + std::to_string(resolution) + " (0 to 3)");
  return resolution;
}

int checkedSpace(const Args& a, int index, int space) {
  if (layersOf(space) == 0)
    a.failArgument(index, "is no colour space: " + std::to_string(space) + " (0, 9, 10, 11, 12 or 13)");
  return space;
}

int checkedCamera(const Args& a, int index, int camera) {
  if (camera < 0 || camera >= kCameras) a.failArgument(index, "is no camera: " + std::to_string(camera) + " (0 or 1)");
  return camera;
}

int checkedFps(const Args& a, int index, int fps) {
  if (fps < 1 || fps > 30) a.failArgument(index, "must lie between 1 and 30 frames per second");
  return fps;
}

std::vector<int> intsOf(const Args& a, int index, std::size_t count) {
  const QZValue& v = a.value(index);
  std::vector<int> out;
  if (v.getType() == QZValue::TypeInt) return std::vector<int>(count, static_cast<int>(v));
  if (v.getType() != QZValue::TypeArray || v.getSize() != count)
    a.failArgument(index, "must hold " + std::to_string(count) + " integers");
  for (const QZValue& e : *v.arrayElements()) {
    if (e.getType() != QZValue::TypeInt) a.failArgument(index, "must hold integers");
    out.push_back(static_cast<int>(e));
  }
  return out;
}

// Registers `sub` under `name`, or under name_2, name_3... when it is taken.
std::string enrol(Video& video, const Args& a, const std::string& name, Subscriber sub) {
  std::lock_guard<std::mutex> lock(video.mutex);
  if (video.subscribers.size() >= kMaxSubscribers)
    a.fail("too many subscribers (" + std::to_string(kMaxSubscribers) + "); unsubscribe some first");
  std::string id = name;
  for (int n = 2; video.subscribers.count(id) != 0; ++n) id = name + "_" + std::to_string(n);
  video.subscribers[id] = std::move(sub);
  return id;
}

Subscriber& subscriberOf(Video& video, const Args& a, const std::string& id) {
  auto found = video.subscribers.find(id);
  if (found == video.subscribers.end()) a.failArgument(0, "names no subscriber: " + shown(id));
  return found->second;
}

// The frames of every camera of the subscriber; the pattern moves on by one frame.
std::vector<QZValue> grab(Video& video, const Args& a) {
  Subscriber copy;
  {
    std::lock_guard<std::mutex> lock(video.mutex);
    Subscriber& sub = subscriberOf(video, a, a.text(0));
    copy = sub;
    ++sub.frame;
  }
  std::vector<QZValue> images;
  for (std::size_t i = 0; i < copy.cameras.size(); ++i)
    images.push_back(renderImage(copy.resolutions[i], copy.spaces[i], copy.cameras[i], copy.frame));
  return images;
}

QZValue list(const std::vector<QZValue>& values) {
  QZValue out;
  out.arraySetSize(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) out[static_cast<int>(i)] = values[i];
  return out;
}

}  // namespace

void installVideoDevice(Behaviours& b, World&) {
  auto video = std::make_shared<Video>();
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kVideoDeviceModule, key, std::move(behaviour)); };

  on("subscribe(string,int,int,int)", [video](const Args& a, TaskControl&) {
    Subscriber sub;
    int camera;
    {
      std::lock_guard<std::mutex> lock(video->mutex);
      camera = video->activeCamera;
    }
    sub.cameras = {camera};
    sub.resolutions = {checkedResolution(a, 1, a.integer(1))};
    sub.spaces = {checkedSpace(a, 2, a.integer(2))};
    sub.fps = checkedFps(a, 3, a.integer(3));
    return QZValue(enrol(*video, a, a.text(0), sub));
  });
  on("subscribeCamera(string,int,int,int,int)", [video](const Args& a, TaskControl&) {
    Subscriber sub;
    sub.cameras = {checkedCamera(a, 1, a.integer(1))};
    sub.resolutions = {checkedResolution(a, 2, a.integer(2))};
    sub.spaces = {checkedSpace(a, 3, a.integer(3))};
    sub.fps = checkedFps(a, 4, a.integer(4));
    return QZValue(enrol(*video, a, a.text(0), sub));
  });
  on("subscribeCameras(string,object,object,object,int)", [video](const Args& a, TaskControl&) {
    const QZValue& cameras = a.value(1);
    const std::size_t count = cameras.getType() == QZValue::TypeArray ? cameras.getSize() : 1;
    if (count == 0 || count > static_cast<std::size_t>(kCameras)) a.failArgument(1, "must name one or two cameras");
    Subscriber sub;
    sub.cameras = intsOf(a, 1, count);
    sub.resolutions = intsOf(a, 2, count);
    sub.spaces = intsOf(a, 3, count);
    for (std::size_t i = 0; i < count; ++i) {
      checkedCamera(a, 1, sub.cameras[i]);
      checkedResolution(a, 2, sub.resolutions[i]);
      checkedSpace(a, 3, sub.spaces[i]);
    }
    sub.fps = checkedFps(a, 4, a.integer(4));
    return QZValue(enrol(*video, a, a.text(0), sub));
  });
  on("unsubscribe(string)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    video->subscribers.erase(a.text(0));
    return QZValue();
  });
  // Every subscription made under the name, numbered ones included.
  on("unsubscribeAllInstances(string)", [video](const Args& a, TaskControl&) {
    const std::string name = a.text(0);
    std::lock_guard<std::mutex> lock(video->mutex);
    for (auto it = video->subscribers.begin(); it != video->subscribers.end();) {
      const std::string& id = it->first;
      const bool instance = id == name || (id.compare(0, name.size() + 1, name + "_") == 0);
      it = instance ? video->subscribers.erase(it) : std::next(it);
    }
    return QZValue();
  });

  Behaviour image = [video](const Args& a, TaskControl&) { return grab(*video, a).front(); };
  on("getImageRemote(string)", image);
  on("getDirectRawImageRemote(string)", image);
  Behaviour images = [video](const Args& a, TaskControl&) { return list(grab(*video, a)); };
  on("getImagesRemote(string)", images);
  on("getDirectRawImagesRemote(string)", images);
  on("releaseImage(string)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    subscriberOf(*video, a, a.text(0));
    return QZValue(true);
  });
  on("releaseImages(string)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    return list(std::vector<QZValue>(subscriberOf(*video, a, a.text(0)).cameras.size(), QZValue(true)));
  });

  // The settings of a subscription, for its first camera.
  auto setting = [video](std::vector<int> Subscriber::*field, int (*check)(const Args&, int, int)) {
    return std::make_pair(
        Behaviour([video, field](const Args& a, TaskControl&) {
          std::lock_guard<std::mutex> lock(video->mutex);
          return QZValue((subscriberOf(*video, a, a.text(0)).*field).front());
        }),
        Behaviour([video, field, check](const Args& a, TaskControl&) {
          const int value = check(a, 1, a.integer(1));
          std::lock_guard<std::mutex> lock(video->mutex);
          for (int& v : subscriberOf(*video, a, a.text(0)).*field) v = value;
          return QZValue(true);
        }));
  };
  auto resolution = setting(&Subscriber::resolutions, checkedResolution);
  on("getResolution(string)", resolution.first);
  on("setResolution(string,int)", resolution.second);
  auto space = setting(&Subscriber::spaces, checkedSpace);
  on("getColorSpace(string)", space.first);
  on("setColorSpace(string,int)", space.second);
  auto camera = setting(&Subscriber::cameras, checkedCamera);
  on("getActiveCamera(string)", camera.first);
  on("setActiveCamera(string,int)", camera.second);
  on("getFrameRate(string)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    return QZValue(subscriberOf(*video, a, a.text(0)).fps);
  });
  on("setFrameRate(string,int)", [video](const Args& a, TaskControl&) {
    const int fps = checkedFps(a, 1, a.integer(1));
    std::lock_guard<std::mutex> lock(video->mutex);
    subscriberOf(*video, a, a.text(0)).fps = fps;
    return QZValue(true);
  });
  // The cameras' own defaults.
  auto cameraDefault = [](int value) {
    return [value](const Args& a, TaskControl&) {
      checkedCamera(a, 0, a.integer(0));
      return QZValue(value);
    };
  };
  on("getResolution(int)", cameraDefault(1));
  on("getColorSpace(int)", cameraDefault(11));
  on("getFrameRate(int)", cameraDefault(30));

  on("getActiveCamera()", [video](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    return QZValue(video->activeCamera);
  });
  on("setActiveCamera(int)", [video](const Args& a, TaskControl&) {
    const int camera = a.integer(0);
    if (camera < 0 || camera >= kCameras) return QZValue(false);
    std::lock_guard<std::mutex> lock(video->mutex);
    video->activeCamera = camera;
    return QZValue(true);
  });

  on("getCameraParameter(string,int)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    const auto& parameters = subscriberOf(*video, a, a.text(0)).parameters;
    auto found = parameters.find(a.integer(1));
    return QZValue(found == parameters.end() ? 0 : found->second);
  });
  on("setCameraParameter(string,int,int)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    auto& parameters = subscriberOf(*video, a, a.text(0)).parameters;
    if (parameters.size() >= 256 && parameters.count(a.integer(1)) == 0) return QZValue(false);
    parameters[a.integer(1)] = a.integer(2);
    return QZValue(true);
  });
  on("setCameraParameterToDefault(string,int)", [video](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(video->mutex);
    subscriberOf(*video, a, a.text(0)).parameters.erase(a.integer(1));
    return QZValue(true);
  });

  on("resolutionToSizes(int)", [](const Args& a, TaskControl&) {
    int w = 0, h = 0;
    checkedResolution(a, 0, a.integer(0));
    resolutionSize(a.integer(0), w, h);
    QZValue size;
    size.arraySetSize(2);
    size[0] = w;
    size[1] = h;
    return size;
  });
  on("sizesToResolution(int,int)", [](const Args& a, TaskControl&) {
    for (int r = 0; r <= 3; ++r) {
      int w = 0, h = 0;
      resolutionSize(r, w, h);
      if (w == a.integer(0) && h == a.integer(1)) return QZValue(r);
    }
    return QZValue(-1);
  });
  installVideoConversions(b);
}

}  // namespace qzsim
