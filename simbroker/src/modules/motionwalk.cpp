// QZMotion's walk: toward targets in the robot's own frame (blocking, like the
// robot's), or at a velocity until stopped.
#include "motion.h"

#include "../callfault.h"

#include <algorithm>

namespace qzsim {
namespace motion {

namespace {

using QZ::QZValue;

Pose poseArgs(const Args& a) { return Pose{a.number(0), a.number(1), a.number(2)}; }

// Walks to each target in turn, waiting for each; a stopped call halts the robot.
void walk(Motion& m, const std::vector<Pose>& targets, TaskControl& control) {
  m.moves.stopAllBefore(control);  // a new walk replaces those asked before it
  ActivitySet::Entry entry(m.moves, control);
  for (const Pose& target : targets) {
    const Clock::time_point end = m.body->moveBy(target, Clock::now());
    if (!control.sleepUntil(end)) {
      m.body->stopMovingIf(end, Clock::now());
      return;
    }
  }
}

std::vector<Pose> controlPoints(const Args& a) {
  const QZValue& v = a.value(0);
  std::vector<float> triple;
  if (numberList(v, triple) && triple.size() == 3) return {Pose{triple[0], triple[1], triple[2]}};
  std::vector<Pose> points;
  bool ok = v.getType() == QZValue::TypeArray && v.getSize() > 0;
  for (unsigned i = 0; ok && i < v.getSize(); ++i) {
    ok = numberList(v[static_cast<int>(i)], triple) && triple.size() == 3;
    if (ok) points.push_back(Pose{triple[0], triple[1], triple[2]});
  }
  if (!ok) a.failArgument(0, "must be [x, y, theta] or a list of such points");
  return points;
}

void velocityMove(Motion& m, const Pose& velocity) {
  m.moves.stopAll();
  m.body->moveAt(velocity, Clock::now());
}

// A velocity given as fractions of the top speeds, each in [-1, 1].
Pose normalisedVelocity(const Args& a) {
  for (int i = 0; i < 3; ++i)
    if (!(a.number(i) >= -1.0f && a.number(i) <= 1.0f)) a.failArgument(i, "must lie in [-1, 1]");
  return Pose{a.number(0) * Body::kWalkSpeed, a.number(1) * Body::kWalkSpeed,
              a.number(2) * Body::kTurnSpeed};
}

}  // namespace

void stopWalking(Motion& m) {
  m.moves.stopAll();
  m.body->stopMoving(Clock::now());
}

void installWalk(Behaviours& b, const std::shared_ptr<Motion>& m) {
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kModule, key, std::move(behaviour)); };
  Behaviour toPose = [m](const Args& a, TaskControl& control) {
    walk(*m, {poseArgs(a)}, control);
    return QZValue();
  };
  Behaviour toPoints = [m](const Args& a, TaskControl& control) {
    walk(*m, controlPoints(a), control);
    return QZValue();
  };
  for (const char* verb : {"moveTo", "walkTo"}) {
    const std::string name = verb;
    b.add(kModule, name + "(float,float,float)", toPose);
    b.add(kModule, name + "(float,float,float,object)", toPose);
    b.add(kModule, name + "(object)", toPoints);
    b.add(kModule, name + "(object,object)", toPoints);
  }

  // move: metres and radians per second, limited to the top speeds.
  Behaviour move = [m](const Args& a, TaskControl&) {
    auto limit = [](float v, float top) { return std::min(std::max(v, -top), top); };
    velocityMove(*m, Pose{limit(a.number(0), Body::kWalkSpeed), limit(a.number(1), Body::kWalkSpeed),
                          limit(a.number(2), Body::kTurnSpeed)});
    return QZValue();
  };
  on("move(float,float,float)", move);
  on("move(float,float,float,object)", move);
  Behaviour toward = [m](const Args& a, TaskControl&) {
    velocityMove(*m, normalisedVelocity(a));
    return QZValue();
  };
  on("moveToward(float,float,float)", toward);
  on("moveToward(float,float,float,object)", toward);
  // A step frequency of 0 stands still.
  Behaviour target = [m](const Args& a, TaskControl&) {
    const Pose velocity = normalisedVelocity(a);
    velocityMove(*m, a.number(3) == 0.0f ? Pose() : velocity);
    return QZValue();
  };
  on("setWalkTargetVelocity(float,float,float,float)", target);
  on("setWalkTargetVelocity(float,float,float,float,object)", target);
  on("setWalkTargetVelocity(float,float,float,float,object,object)", target);

  Behaviour stop = [m](const Args&, TaskControl&) {
    stopWalking(*m);
    return QZValue();
  };
  for (const char* key : {"stopMove()", "killMove()", "stopWalk()", "killWalk()"}) on(key, stop);

  Behaviour active = [m](const Args&, TaskControl&) { return QZValue(m->body->moving(Clock::now())); };
  on("moveIsActive()", active);
  on("walkIsActive()", active);
  Behaviour waitMove = [m](const Args&, TaskControl& control) {
    // A later moveTo may extend the walk: wait for the end as it stands now.
    for (Clock::time_point end = m->body->moveEnd(Clock::now()); end > Clock::now();
         end = m->body->moveEnd(Clock::now()))
      if (!control.sleepUntil(end)) break;
    return QZValue();
  };
  on("waitUntilMoveIsFinished()", waitMove);
  on("waitUntilWalkIsFinished()", waitMove);

  auto pose = [](const Pose& p) { return floats({p.x, p.y, p.theta}); };
  on("getRobotPosition(bool)", [m, pose](const Args&, TaskControl&) { return pose(m->body->pose(Clock::now())); });
  on("getNextRobotPosition()", [m, pose](const Args&, TaskControl&) {
    return pose(m->body->nextPose(Clock::now()));
  });
  on("getRobotVelocity()", [m, pose](const Args&, TaskControl&) { return pose(m->body->velocity(Clock::now())); });
}

}  // namespace motion
}  // namespace qzsim
