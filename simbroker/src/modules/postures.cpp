#include "postures.h"

#include <algorithm>
#include <map>

namespace qzsim {

namespace {

Posture make(const char* name, const char* family, const std::map<std::string, float>& set) {
  Posture posture{name, family, {}};
  for (const JointInfo& joint : Body::joints()) {
    auto found = set.find(joint.name);
    float angle = found != set.end() ? found->second : 0.0f;
    posture.angles.push_back(std::min(std::max(angle, joint.min), joint.max));
  }
  return posture;
}

std::vector<Posture> buildPostures() {
  const std::map<std::string, float> armsDown = {
      {"LShoulderPitch", 1.4f}, {"RShoulderPitch", 1.4f}, {"LShoulderRoll", 0.2f},
      {"RShoulderRoll", -0.2f}, {"LElbowRoll", -0.5f},    {"RElbowRoll", 0.5f}};
  auto with = [&armsDown](std::map<std::string, float> legs) {
    legs.insert(armsDown.begin(), armsDown.end());
    return legs;
  };
  return {
      make("StandZero", "Standing", {}),
      make("Stand", "Standing", with({})),
      make("StandInit", "Standing",
           with({{"LHipPitch", -0.45f}, {"RHipPitch", -0.45f}, {"LKnee", 0.7f}, {"RKnee", 0.7f},
                 {"LAnklePitch", -0.35f}, {"RAnklePitch", -0.35f}})),
      make("Crouch", "Crouching",
           with({{"LHipPitch", -0.9f}, {"RHipPitch", -0.9f}, {"LKnee", 2.1f}, {"RKnee", 2.1f},
                 {"LAnklePitch", -1.2f}, {"RAnklePitch", -1.2f}})),
      make("Sit", "Sitting",
           with({{"LHipPitch", -1.5f}, {"RHipPitch", -1.5f}, {"LKnee", 1.0f}, {"RKnee", 1.0f},
                 {"LAnklePitch", 0.5f}, {"RAnklePitch", 0.5f}})),
      make("LyingBack", "LyingBack", {}),
      make("LyingBelly", "LyingBelly", {{"LShoulderPitch", -1.5f}, {"RShoulderPitch", -1.5f}}),
  };
}

}  // namespace

const std::vector<Posture>& postures() {
  static const std::vector<Posture> all = buildPostures();
  return all;
}

const Posture* findPosture(const std::string& name) {
  for (const Posture& posture : postures())
    if (posture.name == name) return &posture;
  return nullptr;
}

bool goToPosture(Body& body, const Posture& posture, double seconds, TaskControl& control) {
  const Clock::time_point now = Clock::now();
  std::vector<Clock::time_point> ends;
  body.setPosture("");
  for (std::size_t i = 0; i < posture.angles.size(); ++i)
    ends.push_back(body.planAngles(static_cast<int>(i), {{seconds, posture.angles[i]}}, now));
  if (!control.sleepUntil(ends.empty() ? now : ends.front())) {
    for (std::size_t i = 0; i < ends.size(); ++i)
      body.freezeIfPlanned(static_cast<int>(i), ends[i], Clock::now());
    return false;
  }
  body.setPosture(posture.name);
  return true;
}

}  // namespace qzsim
