// QZLeds: the LEDs of the eyes, ears, chest and feet, each with a red, green and
// blue channel in [0, 1] that fades over time; the built-in groups and groups the
// client creates. The fading calls block for their duration (at most a minute).
#include "../behaviours.h"
#include "ramp.h"

#include "../callfault.h"

#include <map>
#include <random>

namespace qzsim {

namespace {

using QZ::QZValue;

const char kLedsModule[] = "QZLeds";
constexpr double kLongest = 60.0;
constexpr std::size_t kMaxGroups = 64;

struct Led {
  std::string name;
  Ramp channel[3];  // red, green, blue
};

struct Leds {
  std::mutex mutex;
  std::vector<Led> leds;
  std::map<std::string, std::vector<int>> groups;
  std::size_t builtInGroups = 0;
};

std::shared_ptr<Leds> buildLeds() {
  auto state = std::make_shared<Leds>();
  auto add = [&state](const std::string& name, const std::vector<std::string>& groups) {
    state->leds.push_back(Led{name, {}});
    for (const std::string& group : groups)
      state->groups[group].push_back(static_cast<int>(state->leds.size() - 1));
  };
  for (const char* side : {"Left", "Right"}) {
    const std::string s = side;
    for (int i = 0; i < 8; ++i) add(s + "Eye" + std::to_string(i), {s + "FaceLeds", "FaceLeds", "AllLeds"});
    for (int i = 0; i < 10; ++i) add(s + "Ear" + std::to_string(i), {s + "EarLeds", "EarLeds", "AllLeds"});
  }
  add("Chest", {"ChestLeds", "AllLeds"});
  add("LeftFoot", {"FeetLeds", "AllLeds"});
  add("RightFoot", {"FeetLeds", "AllLeds"});
  state->builtInGroups = state->groups.size();
  return state;
}

// The LEDs a name stands for: a group or one LED. Call with the mutex held.
std::vector<int> ledsOf(const Leds& state, const Args& a, const std::string& name) {
  auto group = state.groups.find(name);
  if (group != state.groups.end()) return group->second;
  for (std::size_t i = 0; i < state.leds.size(); ++i)
    if (state.leds[i].name == name) return {static_cast<int>(i)};
  a.failArgument(0, "names no LED or group: " + shown(name));
}

float channelOf(int rgb, int channel) { return static_cast<float>((rgb >> (16 - 8 * channel)) & 0xFF) / 255.0f; }

// Plans the LEDs' channels; one Keys per channel.
Clock::time_point plan(Leds& state, const std::vector<int>& leds, const Keys (&keys)[3]) {
  const Clock::time_point now = Clock::now();
  Clock::time_point end = now;
  for (int led : leds)
    for (int c = 0; c < 3; ++c) end = std::max(end, state.leds[led].channel[c].plan(keys[c], now, 0.0f, 1.0f));
  return end;
}

double checkedDuration(const Args& a, int index) {
  const float seconds = a.number(index);
  if (!(seconds >= 0.0f)) a.failArgument(index, "must not be negative");
  return std::min<double>(seconds, kLongest);
}

// Fades `name` to the colour `rgb` (or the grey `intensity` when rgb < 0) and waits.
QZValue fadeTo(const std::shared_ptr<Leds>& state, const Args& a, int rgb, float intensity, double seconds,
               TaskControl& control) {
  Clock::time_point end;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    const std::vector<int> leds = ledsOf(*state, a, a.text(0));
    Keys keys[3];
    for (int c = 0; c < 3; ++c) keys[c] = {{seconds, rgb < 0 ? intensity : channelOf(rgb, c)}};
    end = plan(*state, leds, keys);
  }
  control.sleepUntil(end);
  return QZValue();
}

// Changing colours on the eyes for a while: one colour every `step` seconds.
QZValue show(const std::shared_ptr<Leds>& state, const std::vector<int>& colours, double seconds,
             double step, TaskControl& control) {
  Clock::time_point end;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    Keys keys[3];
    int k = 0;
    for (double t = step; t <= seconds + 1e-9; t += step, ++k)
      for (int c = 0; c < 3; ++c) keys[c].emplace_back(t, channelOf(colours[k % colours.size()], c));
    end = plan(*state, state->groups["FaceLeds"], keys);
  }
  control.sleepUntil(end);
  return QZValue();
}

}  // namespace

void installLeds(Behaviours& b, World&) {
  std::shared_ptr<Leds> state = buildLeds();
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kLedsModule, key, std::move(behaviour)); };

  on("fade(string,float,float)", [state](const Args& a, TaskControl& control) {
    return fadeTo(state, a, -1, a.number(1), checkedDuration(a, 2), control);
  });
  on("fadeRGB(string,int,float)", [state](const Args& a, TaskControl& control) {
    return fadeTo(state, a, a.integer(1) & 0xFFFFFF, 0.0f, checkedDuration(a, 2), control);
  });
  on("on(string)", [state](const Args& a, TaskControl& control) { return fadeTo(state, a, -1, 1.0f, 0.0, control); });
  on("off(string)", [state](const Args& a, TaskControl& control) { return fadeTo(state, a, -1, 0.0f, 0.0, control); });
  on("setIntensity(string,float)", [state](const Args& a, TaskControl& control) {
    return fadeTo(state, a, -1, a.number(1), 0.0, control);
  });
  on("fadeListRGB(string,object,object)", [state](const Args& a, TaskControl& control) {
    const QZValue& colours = a.value(1);
    const QZValue& times = a.value(2);
    if (colours.getType() != QZValue::TypeArray || times.getType() != QZValue::TypeArray ||
        colours.getSize() != times.getSize() || colours.getSize() == 0)
      a.fail("the colours and the times must be two lists of the same length");
    Keys keys[3];
    double last = 0.0;
    for (unsigned i = 0; i < colours.getSize(); ++i) {
      float t = 0.0f;
      const QZValue& colour = colours[static_cast<int>(i)];
      if (colour.getType() != QZValue::TypeInt) a.failArgument(1, "must hold 0x00RRGGBB integers");
      if (!readNumber(times[static_cast<int>(i)], t) || !(t > last) || t > kLongest)
        a.failArgument(2, "must hold increasing times above 0 seconds, at most 60");
      last = t;
      for (int c = 0; c < 3; ++c) keys[c].emplace_back(t, channelOf(static_cast<int>(colour), c));
    }
    Clock::time_point end;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      end = plan(*state, ledsOf(*state, a, a.text(0)), keys);
    }
    control.sleepUntil(end);
    return QZValue();
  });

  // One LED: its intensity (the brightest channel); a group: one per LED.
  on("getIntensity(string)", [state](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(state->mutex);
    const std::vector<int> leds = ledsOf(*state, a, a.text(0));
    const Clock::time_point now = Clock::now();
    std::vector<float> levels;
    for (int led : leds) {
      const Ramp* ch = state->leds[led].channel;
      levels.push_back(std::max({ch[0].at(now), ch[1].at(now), ch[2].at(now)}));
    }
    return state->groups.count(a.text(0)) != 0 ? QZValue(levels) : QZValue(levels.front());
  });

  on("createGroup(string,list of strings)", [state](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(state->mutex);
    std::vector<int> members;
    for (const std::string& name : a.texts(1)) {
      const std::vector<int> found = ledsOf(*state, a, name);
      members.insert(members.end(), found.begin(), found.end());
    }
    if (state->groups.size() >= state->builtInGroups + kMaxGroups && state->groups.count(a.text(0)) == 0)
      a.fail("too many groups");
    state->groups[a.text(0)] = members;
    return QZValue();
  });
  on("listGroups()", [state](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(state->mutex);
    std::vector<std::string> names;
    for (const auto& group : state->groups) names.push_back(group.first);
    return QZValue(names);
  });
  Behaviour members = [state](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(state->mutex);
    std::vector<std::string> names;
    for (int led : ledsOf(*state, a, a.text(0))) names.push_back(state->leds[led].name);
    return QZValue(names);
  };
  on("listGroup(string)", members);
  on("listLED(string)", members);
  on("listLEDs()", [state](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(state->mutex);
    std::vector<std::string> names;
    for (const Led& led : state->leds) names.push_back(led.name);
    return QZValue(names);
  });

  on("randomEyes(float)", [state](const Args& a, TaskControl& control) {
    std::minstd_rand random(static_cast<unsigned>(Clock::now().time_since_epoch().count()));
    std::vector<int> colours;
    for (int i = 0; i < 16; ++i) colours.push_back(static_cast<int>(random() & 0xFFFFFF));
    return show(state, colours, checkedDuration(a, 0), 0.5, control);
  });
  on("rasta(float)", [state](const Args& a, TaskControl& control) {
    return show(state, {0xFF0000, 0xFFFF00, 0x00FF00}, checkedDuration(a, 0), 0.4, control);
  });
  on("rotateEyes(int,float,float)", [state](const Args& a, TaskControl& control) {
    const float turn = a.number(1);
    if (!(turn > 0.0f)) a.failArgument(1, "must be above 0 seconds");
    const int rgb = a.integer(0) & 0xFFFFFF;
    return show(state, {rgb, 0x000000}, checkedDuration(a, 2), std::max(0.05, turn / 2.0), control);
  });
  // The ear LEDs up to `degrees` of the circle light up over `duration`.
  on("earLedsSetAngle(int,float,bool)", [state](const Args& a, TaskControl& control) {
    const double seconds = checkedDuration(a, 1);
    Clock::time_point end;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      const std::vector<int> ears = state->groups["EarLeds"];
      const Clock::time_point now = Clock::now();
      end = after(now, seconds);
      for (std::size_t i = 0; i < ears.size(); ++i) {
        const bool lit = static_cast<int>((i % 10) * 36) < a.integer(0);
        for (int c = 0; c < 3; ++c) state->leds[ears[i]].channel[c].plan({{seconds, lit ? 1.0f : 0.0f}}, now, 0.0f, 1.0f);
      }
    }
    if (control.sleepUntil(end) && !a.flag(2)) {
      std::lock_guard<std::mutex> lock(state->mutex);
      const Clock::time_point now = Clock::now();
      for (int led : state->groups["EarLeds"])
        for (Ramp& channel : state->leds[led].channel) channel.plan({{0.0, 0.0f}}, now, 0.0f, 1.0f);
    }
    return QZValue();
  });
}

}  // namespace qzsim
