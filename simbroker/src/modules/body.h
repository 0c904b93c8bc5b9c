// The simulated robot's body: joints whose angles and stiffnesses follow planned
// key frames over time (evaluated when read, no thread of its own), and the robot's
// place on the floor, which moves toward a target or at a velocity.
#ifndef QZSIM_BODY_H
#define QZSIM_BODY_H

#include "ramp.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qzsim {

struct JointInfo {
  const char* name;
  const char* chain;
  float min, max;   // radians (the hands: 0 closed, 1 open)
  float maxSpeed;   // radians per second
  float mass;       // kilograms carried by the joint's segment
};

// [x, y, theta] on the floor: metres and radians, theta in (-pi, pi].
struct Pose {
  float x = 0.0f, y = 0.0f, theta = 0.0f;
};

class Body {
public:
  static constexpr float kWalkSpeed = 0.35f;  // metres per second
  static constexpr float kTurnSpeed = 1.0f;   // radians per second
  static constexpr double kLongestMove = 10.0; // seconds: far targets are reached faster

  Body();
  static const std::vector<JointInfo>& joints();
  static const std::vector<std::string>& chains();
  // The joints a name stands for: a joint, a chain, or "Body", "Joints",
  // "JointActuators" or "Actuators" for all of them; empty when the name is unknown.
  static std::vector<int> resolve(const std::string& name);

  float angle(int joint, Clock::time_point now) const;
  float stiffness(int joint, Clock::time_point now) const;
  // Plans the joint through `keys` from its present value; values are clamped to
  // the joint's range. Returns the time the last key is reached.
  Clock::time_point planAngles(int joint, const Keys& keys, Clock::time_point now);
  Clock::time_point planStiffness(int joint, const Keys& keys, Clock::time_point now);
  // Keeps the joints where they are now.
  void freeze(const std::vector<int>& joints, Clock::time_point now);
  // Keeps the joint where it is now if its plan still ends at `end`: a call that is
  // stopped halts its own plan, never a later call's.
  void freezeIfPlanned(int joint, Clock::time_point end, Clock::time_point now);

  Pose pose(Clock::time_point now) const;
  // Walks to `delta`, given in the robot's own frame; returns the arrival time.
  Clock::time_point moveBy(const Pose& delta, Clock::time_point now);
  // Moves at `velocity` (robot frame, per second) until told otherwise.
  void moveAt(const Pose& velocity, Clock::time_point now);
  void stopMoving(Clock::time_point now);
  // Stops the move toward a target that ends at `end`, if it is still the present one.
  void stopMovingIf(Clock::time_point end, Clock::time_point now);
  bool moving(Clock::time_point now) const;
  Pose velocity(Clock::time_point now) const;
  // Where the present move ends: the target, or the present pose.
  Pose nextPose(Clock::time_point now) const;
  // The end of the present move toward a target (now when there is none).
  Clock::time_point moveEnd(Clock::time_point now) const;

  // The posture last reached through a posture method ("" after a free move).
  std::string posture() const;
  void setPosture(const std::string& name);

private:
  using Track = Ramp;
  enum class Mode { Still, Target, Velocity };
  Pose poseLocked(Clock::time_point now) const;

  mutable std::mutex fMutex;
  std::vector<Track> fAngles;
  std::vector<Track> fStiffness;
  Mode fMode = Mode::Still;
  Pose fFrom, fTo, fVelocity;
  Clock::time_point fMoveStart, fMoveEnd;
  std::string fPosture;
};

}  // namespace qzsim

#endif
