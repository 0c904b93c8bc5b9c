// QZMotion's joints: angles and stiffnesses planned over time. The interpolating
// calls block until their last key frame, like the robot's; killAll and a task's
// stop end them, and a stopped call halts its joints where they are.
#include "motion.h"
#include "postures.h"

#include "../callfault.h"

#include <algorithm>
#include <cmath>

namespace qzsim {
namespace motion {

namespace {

using QZ::QZValue;

// Waits for the planned joints, or halts them when the call is stopped.
void await(Motion& m, const std::vector<std::pair<int, Clock::time_point>>& plans, TaskControl& control) {
  ActivitySet::Entry entry(m.joints, control);
  Clock::time_point end = Clock::now();
  for (const auto& plan : plans) end = std::max(end, plan.second);
  if (control.sleepUntil(end)) return;
  const Clock::time_point now = Clock::now();
  for (const auto& plan : plans) m.body->freezeIfPlanned(plan.first, plan.second, now);
}

// Plans every joint toward its target at a fraction of its top speed.
std::vector<std::pair<int, Clock::time_point>> planTargets(Body& body, const std::vector<int>& joints,
                                                           const std::vector<float>& targets,
                                                           float fraction, bool relative) {
  const Clock::time_point now = Clock::now();
  std::vector<std::pair<int, Clock::time_point>> plans;
  for (std::size_t i = 0; i < joints.size(); ++i) {
    const JointInfo& info = Body::joints()[joints[i]];
    const float from = body.angle(joints[i], now);
    float to = relative ? from + targets[i] : targets[i];
    to = std::min(std::max(to, info.min), info.max);
    const double seconds = std::fabs(to - from) / (info.maxSpeed * fraction);
    plans.emplace_back(joints[i], body.planAngles(joints[i], {{std::max(seconds, 1e-3), to}}, now));
  }
  body.setPosture("");
  return plans;
}

}  // namespace

void installJoints(Behaviours& b, const std::shared_ptr<Motion>& m) {
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kModule, key, std::move(behaviour)); };
  on("setAngles(object,object,float)", [m](const Args& a, TaskControl&) {
    const std::vector<int> joints = jointsOf(a, 0);
    planTargets(*m->body, joints, perJoint(a, 1, joints.size()), checkedFraction(a, 2), false);
    return QZValue();
  });
  on("changeAngles(object,object,float)", [m](const Args& a, TaskControl&) {
    const std::vector<int> joints = jointsOf(a, 0);
    planTargets(*m->body, joints, perJoint(a, 1, joints.size()), checkedFraction(a, 2), true);
    return QZValue();
  });
  on("angleInterpolationWithSpeed(object,object,float)", [m](const Args& a, TaskControl& control) {
    const std::vector<int> joints = jointsOf(a, 0);
    await(*m, planTargets(*m->body, joints, perJoint(a, 1, joints.size()), checkedFraction(a, 2), false),
          control);
    return QZValue();
  });
  on("angleInterpolation(object,object,object,bool)", [m](const Args& a, TaskControl& control) {
    const std::vector<int> joints = jointsOf(a, 0);
    const auto angles = listsPerJoint(a, 1, joints.size());
    const auto times = listsPerJoint(a, 2, joints.size());
    const Clock::time_point now = Clock::now();
    std::vector<Keys> keys;
    for (std::size_t i = 0; i < joints.size(); ++i)
      keys.push_back(keysOf(a, 2, angles[i], times[i], a.flag(3) ? 0.0f : m->body->angle(joints[i], now)));
    std::vector<std::pair<int, Clock::time_point>> plans;
    for (std::size_t i = 0; i < joints.size(); ++i)
      plans.emplace_back(joints[i], m->body->planAngles(joints[i], keys[i], now));
    m->body->setPosture("");
    await(*m, plans, control);
    return QZValue();
  });
  // Bezier control points [angle, handle, handle]: the joints pass through the angles.
  on("angleInterpolationBezier(list of strings,object,object)", [m](const Args& a, TaskControl& control) {
    std::vector<int> joints;
    for (const std::string& name : a.texts(0)) {
      const std::vector<int> found = Body::resolve(name);
      if (found.size() != 1) a.failArgument(0, "names no joint: " + shown(name));
      joints.push_back(found.front());
    }
    const auto times = listsPerJoint(a, 1, joints.size());
    const QZValue& points = a.value(2);
    if (points.getType() != QZValue::TypeArray || points.getSize() != joints.size())
      a.failArgument(2, "must hold one list of control points per joint");
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<int, Clock::time_point>> plans;
    for (std::size_t i = 0; i < joints.size(); ++i) {
      const QZValue& list = points[static_cast<int>(i)];
      std::vector<float> angles;
      for (unsigned k = 0; list.getType() == QZValue::TypeArray && k < list.getSize(); ++k) {
        const QZValue& point = list[static_cast<int>(k)];
        float angle = 0.0f;
        if (!readNumber(point.getType() == QZValue::TypeArray && point.getSize() > 0 ? point[0] : point, angle))
          a.failArgument(2, "must hold control points [angle, handle, handle]");
        angles.push_back(angle);
      }
      plans.emplace_back(joints[i], m->body->planAngles(joints[i], keysOf(a, 1, angles, times[i], 0.0f), now));
    }
    m->body->setPosture("");
    await(*m, plans, control);
    return QZValue();
  });
  on("getAngles(object,bool)", [m](const Args& a, TaskControl&) {
    std::vector<float> angles;
    const Clock::time_point now = Clock::now();
    for (int joint : jointsOf(a, 0)) angles.push_back(m->body->angle(joint, now));
    return floats(angles);
  });

  on("setStiffnesses(object,object)", [m](const Args& a, TaskControl&) {
    const std::vector<int> joints = jointsOf(a, 0);
    const std::vector<float> values = perJoint(a, 1, joints.size());
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < joints.size(); ++i) m->body->planStiffness(joints[i], {{0.0, values[i]}}, now);
    return QZValue();
  });
  on("stiffnessInterpolation(object,object,object)", [m](const Args& a, TaskControl& control) {
    const std::vector<int> joints = jointsOf(a, 0);
    const auto values = listsPerJoint(a, 1, joints.size());
    const auto times = listsPerJoint(a, 2, joints.size());
    const Clock::time_point now = Clock::now();
    Clock::time_point end = now;
    for (std::size_t i = 0; i < joints.size(); ++i)
      end = std::max(end, m->body->planStiffness(joints[i], keysOf(a, 2, values[i], times[i], 0.0f), now));
    ActivitySet::Entry entry(m->joints, control);
    control.sleepUntil(end);
    return QZValue();
  });
  on("getStiffnesses(object)", [m](const Args& a, TaskControl&) {
    std::vector<float> values;
    const Clock::time_point now = Clock::now();
    for (int joint : jointsOf(a, 0)) values.push_back(m->body->stiffness(joint, now));
    return floats(values);
  });

  // Waking up stiffens every joint and stands; resting crouches and relaxes.
  on("wakeUp()", [m](const Args&, TaskControl& control) {
    const Clock::time_point now = Clock::now();
    for (int joint : Body::resolve("Body")) m->body->planStiffness(joint, {{0.0, 1.0f}}, now);
    ActivitySet::Entry entry(m->joints, control);
    goToPosture(*m->body, *findPosture("StandInit"), 1.0, control);
    return QZValue();
  });
  on("rest()", [m](const Args&, TaskControl& control) {
    stopWalking(*m);
    {
      ActivitySet::Entry entry(m->joints, control);
      if (!goToPosture(*m->body, *findPosture("Crouch"), 1.0, control)) return QZValue();
    }
    const Clock::time_point now = Clock::now();
    for (int joint : Body::resolve("Body")) m->body->planStiffness(joint, {{0.0, 0.0f}}, now);
    return QZValue();
  });
  on("robotIsWakeUp()", [m](const Args&, TaskControl&) {
    const Clock::time_point now = Clock::now();
    for (int joint : Body::resolve("Body"))
      if (m->body->stiffness(joint, now) > 0.0f) return QZValue(true);
    return QZValue(false);
  });

  auto hand = [m](float opening) {
    return [m, opening](const Args& a, TaskControl& control) {
      const std::string name = a.text(0);
      if (name != "LHand" && name != "RHand") a.failArgument(0, "must be LHand or RHand");
      await(*m, planTargets(*m->body, Body::resolve(name), {opening}, 1.0f, false), control);
      return QZValue();
    };
  };
  on("openHand(string)", hand(1.0f));
  on("closeHand(string)", hand(0.0f));

  on("killAll()", [m](const Args&, TaskControl&) {
    m->joints.stopAll();
    stopWalking(*m);
    m->body->freeze(Body::resolve("Body"), Clock::now());
    return QZValue();
  });
}

}  // namespace motion
}  // namespace qzsim
