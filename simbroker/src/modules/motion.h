// QZMotion's state and the readers of its free-form arguments, shared by the
// module's files: motion.cpp (queries and settings), motionjoints.cpp (angles and
// stiffness) and motionwalk.cpp (the walk).
#ifndef QZSIM_MOTION_H
#define QZSIM_MOTION_H

#include "../behaviours.h"
#include "body.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qzsim {

namespace motion {

constexpr char kModule[] = "QZMotion";

struct Motion {
  std::shared_ptr<Body> body;
  ActivitySet joints;  // interpolations in progress
  ActivitySet moves;   // walks in progress
  std::mutex mutex;
  bool fallManager = true;
  bool smartStiffness = true;
  bool leftWalkArm = true, rightWalkArm = true;
  std::map<std::string, bool> collisionProtection;
};

QZ::QZValue floats(const std::vector<float>& values);

// The joints an argument names: one name, or a list of names.
std::vector<int> jointsOf(const Args& a, int index);
// One number for every joint: a single number, or a list with one per joint.
std::vector<float> perJoint(const Args& a, int index, std::size_t count);
// A list of numbers, or one number as a list of one.
bool numberList(const QZ::QZValue& v, std::vector<float>& out);
// One list per joint; with a single joint, the list itself may be given.
std::vector<std::vector<float>> listsPerJoint(const Args& a, int index, std::size_t count);
// Key frames of one joint from its values and times: the times must increase.
Keys keysOf(const Args& a, int timesIndex, const std::vector<float>& values,
            const std::vector<float>& times, float offset);
// A fraction of the top speed, in (0, 1].
float checkedFraction(const Args& a, int index);
// Ends the walk in progress and stands still.
void stopWalking(Motion& m);

void installJoints(Behaviours& b, const std::shared_ptr<Motion>& m);
void installWalk(Behaviours& b, const std::shared_ptr<Motion>& m);

}  // namespace motion

}  // namespace qzsim

#endif
