// QZAudioDevice: outputs and inputs that open and close, an output volume and mute,
// microphone energies, and sound buffers sent from the client as Binary blocks of
// 16-bit stereo frames. Buffers are counted, not played: the count of frames
// accepted is kept in the memory under QZAudioDevice/FramesPlayed.
#include "../behaviours.h"
#include "memorystore.h"

#include "../callfault.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace qzsim {

namespace {

using QZ::QZValue;

const char kAudioDeviceModule[] = "QZAudioDevice";
constexpr int kBytesPerFrame = 4;  // two channels of 16 bits
constexpr double kLongestSine = 30.0;
constexpr std::size_t kMaxNames = 64;

struct Audio {
  std::mutex mutex;
  bool inputsOpen = true, outputsOpen = true, muted = false, energy = false;
  int volume = 70;
  long long framesPlayed = 0;
  std::map<std::string, int> parameters = {{"outputSampleRate", 48000}};
  std::set<std::string> subscribers;
  ActivitySet playing;
};

template <class F>
Behaviour locked(const std::shared_ptr<Audio>& audio, F f) {
  return [audio, f](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(audio->mutex);
    return f(*audio, a);
  };
}

}  // namespace

void installAudioDevice(Behaviours& b, World& world) {
  auto audio = std::make_shared<Audio>();
  std::shared_ptr<MemoryStore> memory = world.memory;
  const Clock::time_point started = world.started;
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kAudioDeviceModule, key, std::move(behaviour)); };
  auto set = [audio](bool Audio::*field, bool value) {
    return locked(audio, [field, value](Audio& s, const Args&) {
      s.*field = value;
      return QZValue();
    });
  };
  auto get = [audio](bool Audio::*field, bool negate) {
    return locked(audio, [field, negate](Audio& s, const Args&) { return QZValue(negate != (s.*field)); });
  };
  on("openAudioInputs()", set(&Audio::inputsOpen, true));
  on("closeAudioInputs()", set(&Audio::inputsOpen, false));
  on("openAudioOutputs()", set(&Audio::outputsOpen, true));
  on("closeAudioOutputs()", set(&Audio::outputsOpen, false));
  on("isInputClosed()", get(&Audio::inputsOpen, true));
  on("isOutputClosed()", get(&Audio::outputsOpen, true));
  on("enableEnergyComputation()", set(&Audio::energy, true));
  on("disableEnergyComputation()", set(&Audio::energy, false));
  on("isAudioOutMuted()", get(&Audio::muted, false));
  on("muteAudioOut(bool)", locked(audio, [](Audio& s, const Args& a) {
    s.muted = a.flag(0);
    return QZValue();
  }));

  // A slow swell per microphone while energy computation is on.
  int mic = 0;
  for (const char* key : {"getFrontMicEnergy()", "getRearMicEnergy()", "getLeftMicEnergy()",
                          "getRightMicEnergy()"}) {
    const double phase = mic++;
    on(key, locked(audio, [started, phase](Audio& s, const Args&) {
      if (!s.energy || !s.inputsOpen) return QZValue(0.0f);
      const double t = std::chrono::duration<double>(Clock::now() - started).count();
      return QZValue(static_cast<float>(400.0 + 250.0 * std::sin(t + phase)));
    }));
  }

  on("getOutputVolume()", locked(audio, [](Audio& s, const Args&) { return QZValue(s.volume); }));
  on("setOutputVolume(int)", locked(audio, [](Audio& s, const Args& a) {
    if (a.integer(0) < 0 || a.integer(0) > 100) a.failArgument(0, "must lie between 0 and 100");
    s.volume = a.integer(0);
    return QZValue();
  }));
  on("getParameter(string)", locked(audio, [](Audio& s, const Args& a) {
    auto found = s.parameters.find(a.text(0));
    if (found == s.parameters.end()) a.failArgument(0, "names no parameter: " + shown(a.text(0)));
    return QZValue(found->second);
  }));
  on("setParameter(string,int)", locked(audio, [](Audio& s, const Args& a) {
    if (s.parameters.size() >= kMaxNames && s.parameters.count(a.text(0)) == 0)
      a.fail("too many parameters (" + std::to_string(kMaxNames) + ")");
    s.parameters[a.text(0)] = a.integer(1);
    return QZValue();
  }));

  on("sendRemoteBufferToOutput(int,object)", [audio, memory](const Args& a, TaskControl&) {
    const int frames = a.integer(0);
    const QZValue& buffer = a.value(1);
    if (frames < 0) a.failArgument(0, "must not be negative");
    if (buffer.getType() != QZValue::TypeBinary) a.failArgument(1, "must be a Binary block of sound");
    const long long expected = static_cast<long long>(frames) * kBytesPerFrame;
    if (static_cast<long long>(buffer.getSize()) != expected)
      a.failArgument(1, "holds " + std::to_string(buffer.getSize()) + " bytes, but " +
                            std::to_string(frames) + " frames of 16-bit stereo are " +
                            std::to_string(expected) + " bytes");
    long long played;
    {
      std::lock_guard<std::mutex> lock(audio->mutex);
      if (!audio->outputsOpen) return QZValue(false);
      played = audio->framesPlayed += frames;
    }
    memory->insert("QZAudioDevice/FramesPlayed",
                   QZValue(static_cast<int>(std::min<long long>(played, 2147483647LL))));
    return QZValue(true);
  });
  // The robot's own memory is not reachable from here.
  on("sendLocalBufferToOutput(int,int)", [](const Args&, TaskControl&) { return QZValue(false); });

  on("playSine(int,int,int,float)", [audio](const Args& a, TaskControl& control) {
    const float seconds = a.number(3);
    if (!(seconds >= 0.0f)) a.failArgument(3, "must not be negative");
    ActivitySet::Entry entry(audio->playing, control);
    control.sleepFor(std::chrono::milliseconds(static_cast<long>(std::min<double>(seconds, kLongestSine) * 1000)));
    return QZValue();
  });
  Behaviour stopOut = [audio](const Args&, TaskControl&) {
    audio->playing.stopAll();
    return QZValue();
  };
  on("stopAudioOut()", stopOut);
  on("flushAudioOutputs()", stopOut);
  on("resetAudio()", [audio](const Args&, TaskControl&) {
    audio->playing.stopAll();
    std::lock_guard<std::mutex> lock(audio->mutex);
    audio->inputsOpen = audio->outputsOpen = true;
    audio->muted = false;
    audio->volume = 70;
    return QZValue();
  });

  auto enrol = [audio](bool add) {
    return locked(audio, [add](Audio& s, const Args& a) {
      if (!add) {
        s.subscribers.erase(a.text(0));
      } else if (s.subscribers.size() < kMaxNames || s.subscribers.count(a.text(0)) != 0) {
        s.subscribers.insert(a.text(0));
      } else {
        a.fail("too many subscribers (" + std::to_string(kMaxNames) + ")");
      }
      return QZValue(true);
    });
  };
  on("subscribe(string)", enrol(true));
  on("unsubscribe(string)", enrol(false));
  on("subscribeRemoteModule(string)", enrol(true));
  on("unSubscribeRemoteModule(string)", enrol(false));
}

}  // namespace qzsim
