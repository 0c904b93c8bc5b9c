#include "body.h"

#include <algorithm>
#include <cmath>

namespace qzsim {

namespace {

constexpr float kPi = 3.14159265358979f;

const std::vector<JointInfo> kJoints = {
    {"HeadYaw", "Head", -2.0f, 2.0f, 8.0f, 0.06f},
    {"HeadPitch", "Head", -0.6f, 0.5f, 7.0f, 0.6f},
    {"LShoulderPitch", "LArm", -2.0f, 2.0f, 7.0f, 0.07f},
    {"LShoulderRoll", "LArm", -0.3f, 1.3f, 7.0f, 0.16f},
    {"LElbowYaw", "LArm", -2.0f, 2.0f, 7.0f, 0.06f},
    {"LElbowRoll", "LArm", -1.5f, -0.03f, 7.0f, 0.08f},
    {"LWristYaw", "LArm", -1.8f, 1.8f, 20.0f, 0.05f},
    {"LHand", "LArm", 0.0f, 1.0f, 8.0f, 0.03f},
    {"LHipYaw", "LLeg", -1.1f, 0.7f, 4.0f, 0.07f},
    {"LHipRoll", "LLeg", -0.4f, 0.8f, 4.0f, 0.13f},
    {"LHipPitch", "LLeg", -1.5f, 0.5f, 6.0f, 0.39f},
    {"LKnee", "LLeg", -0.1f, 2.1f, 6.0f, 0.29f},
    {"LAnklePitch", "LLeg", -1.2f, 0.9f, 6.0f, 0.13f},
    {"LAnkleRoll", "LLeg", -0.4f, 0.8f, 4.0f, 0.16f},
    {"RHipYaw", "RLeg", -1.1f, 0.7f, 4.0f, 0.07f},
    {"RHipRoll", "RLeg", -0.8f, 0.4f, 4.0f, 0.13f},
    {"RHipPitch", "RLeg", -1.5f, 0.5f, 6.0f, 0.39f},
    {"RKnee", "RLeg", -0.1f, 2.1f, 6.0f, 0.29f},
    {"RAnklePitch", "RLeg", -1.2f, 0.9f, 6.0f, 0.13f},
    {"RAnkleRoll", "RLeg", -0.8f, 0.4f, 4.0f, 0.16f},
    {"RShoulderPitch", "RArm", -2.0f, 2.0f, 7.0f, 0.07f},
    {"RShoulderRoll", "RArm", -1.3f, 0.3f, 7.0f, 0.16f},
    {"RElbowYaw", "RArm", -2.0f, 2.0f, 7.0f, 0.06f},
    {"RElbowRoll", "RArm", 0.03f, 1.5f, 7.0f, 0.08f},
    {"RWristYaw", "RArm", -1.8f, 1.8f, 20.0f, 0.05f},
    {"RHand", "RArm", 0.0f, 1.0f, 8.0f, 0.03f},
};
const std::vector<std::string> kChains = {"Head", "LArm", "LLeg", "RLeg", "RArm"};

double secondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

float wrapAngle(float angle) {
  angle = std::fmod(angle + kPi, 2.0f * kPi);
  if (angle < 0.0f) angle += 2.0f * kPi;
  return angle - kPi;
}

}  // namespace

Body::Body() : fAngles(kJoints.size()), fStiffness(kJoints.size()) {
  const Clock::time_point now = Clock::now();
  for (std::size_t i = 0; i < kJoints.size(); ++i) {
    // Resting: every joint at the nearest value to 0 its range allows, no stiffness.
    fAngles[i].from = std::min(std::max(0.0f, kJoints[i].min), kJoints[i].max);
    fAngles[i].start = now;
    fStiffness[i].start = now;
  }
  fMoveStart = fMoveEnd = now;
}

const std::vector<JointInfo>& Body::joints() { return kJoints; }
const std::vector<std::string>& Body::chains() { return kChains; }

std::vector<int> Body::resolve(const std::string& name) {
  std::vector<int> out;
  const bool all = name == "Body" || name == "Joints" || name == "JointActuators" ||
                   name == "Actuators";
  for (std::size_t i = 0; i < kJoints.size(); ++i)
    if (all || name == kJoints[i].name || name == kJoints[i].chain) out.push_back(static_cast<int>(i));
  return out;
}

float Body::angle(int joint, Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fAngles[joint].at(now);
}

float Body::stiffness(int joint, Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fStiffness[joint].at(now);
}

Clock::time_point Body::planAngles(int joint, const Keys& keys, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  return fAngles[joint].plan(keys, now, kJoints[joint].min, kJoints[joint].max);
}

Clock::time_point Body::planStiffness(int joint, const Keys& keys, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  return fStiffness[joint].plan(keys, now, 0.0f, 1.0f);
}

void Body::freeze(const std::vector<int>& joints, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  for (int joint : joints) fAngles[joint].plan(Keys(), now, kJoints[joint].min, kJoints[joint].max);
}

void Body::freezeIfPlanned(int joint, Clock::time_point end, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  Track& track = fAngles[joint];
  if (!track.keys.empty() && track.keys.back().first == end)
    track.plan(Keys(), now, kJoints[joint].min, kJoints[joint].max);
}

Pose Body::poseLocked(Clock::time_point now) const {
  if (fMode == Mode::Target) {
    if (now >= fMoveEnd) return fTo;
    const double span = secondsBetween(fMoveStart, fMoveEnd);
    const float part = span <= 0.0 ? 1.0f : static_cast<float>(secondsBetween(fMoveStart, now) / span);
    Pose p;
    p.x = fFrom.x + part * (fTo.x - fFrom.x);
    p.y = fFrom.y + part * (fTo.y - fFrom.y);
    p.theta = wrapAngle(fFrom.theta + part * wrapAngle(fTo.theta - fFrom.theta));
    return p;
  }
  if (fMode == Mode::Velocity) {
    // Constant speed in the robot's frame: the closed form of the turning path.
    const float t = static_cast<float>(secondsBetween(fMoveStart, now));
    const float w = fVelocity.theta, vx = fVelocity.x, vy = fVelocity.y;
    const float t0 = fFrom.theta, t1 = fFrom.theta + w * t;
    Pose p;
    if (std::fabs(w) < 1e-6f) {
      p.x = fFrom.x + (vx * std::cos(t0) - vy * std::sin(t0)) * t;
      p.y = fFrom.y + (vx * std::sin(t0) + vy * std::cos(t0)) * t;
    } else {
      p.x = fFrom.x + (vx * (std::sin(t1) - std::sin(t0)) + vy * (std::cos(t1) - std::cos(t0))) / w;
      p.y = fFrom.y + (vx * (std::cos(t0) - std::cos(t1)) + vy * (std::sin(t1) - std::sin(t0))) / w;
    }
    p.theta = wrapAngle(t1);
    return p;
  }
  return fFrom;
}

Pose Body::pose(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return poseLocked(now);
}

Clock::time_point Body::moveBy(const Pose& delta, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  const Pose here = poseLocked(now);
  Pose to;
  to.x = here.x + delta.x * std::cos(here.theta) - delta.y * std::sin(here.theta);
  to.y = here.y + delta.x * std::sin(here.theta) + delta.y * std::cos(here.theta);
  to.theta = wrapAngle(here.theta + delta.theta);
  const double walk = std::hypot(delta.x, delta.y) / kWalkSpeed;
  const double turn = std::fabs(delta.theta) / kTurnSpeed;
  fMode = Mode::Target;
  fFrom = here;
  fTo = to;
  fMoveStart = now;
  fMoveEnd = after(now, std::min(kLongestMove, std::max(walk, turn)));
  return fMoveEnd;
}

void Body::moveAt(const Pose& velocity, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  fFrom = poseLocked(now);
  fVelocity = velocity;
  fMode = (velocity.x == 0.0f && velocity.y == 0.0f && velocity.theta == 0.0f) ? Mode::Still
                                                                               : Mode::Velocity;
  fMoveStart = fMoveEnd = now;
}

void Body::stopMoving(Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  fFrom = poseLocked(now);
  fMode = Mode::Still;
  fMoveStart = fMoveEnd = now;
}

void Body::stopMovingIf(Clock::time_point end, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (fMode != Mode::Target || fMoveEnd != end) return;
  fFrom = poseLocked(now);
  fMode = Mode::Still;
  fMoveStart = fMoveEnd = now;
}

bool Body::moving(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fMode == Mode::Velocity || (fMode == Mode::Target && now < fMoveEnd);
}

Pose Body::velocity(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  if (fMode == Mode::Velocity) return fVelocity;
  Pose v;
  if (fMode == Mode::Target && now < fMoveEnd) {
    const float span = static_cast<float>(secondsBetween(fMoveStart, fMoveEnd));
    // In the robot's own frame, as the velocity is given.
    const float dx = fTo.x - fFrom.x, dy = fTo.y - fFrom.y;
    v.x = (dx * std::cos(fFrom.theta) + dy * std::sin(fFrom.theta)) / span;
    v.y = (-dx * std::sin(fFrom.theta) + dy * std::cos(fFrom.theta)) / span;
    v.theta = wrapAngle(fTo.theta - fFrom.theta) / span;
  }
  return v;
}

Pose Body::nextPose(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fMode == Mode::Target ? fTo : poseLocked(now);
}

Clock::time_point Body::moveEnd(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return (fMode == Mode::Target && now < fMoveEnd) ? fMoveEnd : now;
}

std::string Body::posture() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fPosture;
}

void Body::setPosture(const std::string& name) {
  std::lock_guard<std::mutex> lock(fMutex);
  fPosture = name;
}

}  // namespace qzsim
