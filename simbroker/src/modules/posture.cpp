// QZRobotPosture: the named postures of the simulated body, reached over time.
#include "../behaviours.h"
#include "body.h"
#include "postures.h"

#include <algorithm>

namespace qzsim {

namespace {

using QZ::QZValue;

const char kPostureModule[] = "QZRobotPosture";
// At full speed a posture is reached in this long.
constexpr double kPostureSeconds = 1.5;

struct PostureMoves {
  std::shared_ptr<Body> body;
  ActivitySet moving;
};

}  // namespace

void installPosture(Behaviours& b, World& world) {
  auto state = std::make_shared<PostureMoves>();
  state->body = world.body;
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kPostureModule, key, std::move(behaviour)); };

  // An unknown posture, or a stopped move, answers false.
  auto reach = [state](bool immediately) {
    return [state, immediately](const Args& a, TaskControl& control) {
      const Posture* posture = findPosture(a.text(0));
      if (posture == nullptr) return QZValue(false);
      const float fraction = a.number(1);
      if (!(fraction > 0.0f && fraction <= 1.0f)) a.failArgument(1, "must lie in (0, 1]");
      ActivitySet::Entry entry(state->moving, control);
      const double seconds = immediately ? 0.01 : std::min(10.0, kPostureSeconds / fraction);
      return QZValue(goToPosture(*state->body, *posture, seconds, control));
    };
  };
  on("goToPosture(string,float)", reach(false));
  on("applyPosture(string,float)", reach(true));
  on("stopMove()", [state](const Args&, TaskControl&) {
    state->moving.stopAll();
    return QZValue();
  });
  on("getPostureList()", [](const Args&, TaskControl&) {
    std::vector<std::string> names;
    for (const Posture& posture : postures()) names.push_back(posture.name);
    return QZValue(names);
  });
  on("getPostureFamilyList()", [](const Args&, TaskControl&) {
    std::vector<std::string> families;
    for (const Posture& posture : postures())
      if (std::find(families.begin(), families.end(), posture.family) == families.end())
        families.push_back(posture.family);
    return QZValue(families);
  });
  // "Unknown" until a posture is reached, and again after a free move.
  on("getPostureFamily()", [state](const Args&, TaskControl&) {
    const Posture* posture = findPosture(state->body->posture());
    return QZValue(std::string(posture != nullptr ? posture->family : "Unknown"));
  });
}

}  // namespace qzsim
