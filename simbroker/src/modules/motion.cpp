// QZMotion: joints whose angles and stiffnesses change over time as setAngles,
// angleInterpolation and their kin plan them (motionjoints.cpp), and a robot that
// walks on the floor (motionwalk.cpp). This file installs them, with the queries
// and settings of the body.
#include "motion.h"

#include "../callfault.h"

#include <sstream>

namespace qzsim {

namespace motion {

namespace {

using QZ::QZValue;

QZValue flags(bool a, bool b) {
  QZValue pair;
  pair.arraySetSize(2);
  pair[0] = a;
  pair[1] = b;
  return pair;
}

void installQueries(Behaviours& b, const std::shared_ptr<Motion>& m) {
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kModule, key, std::move(behaviour)); };
  auto namesOf = [](const Args& a, TaskControl&) {
    const std::string name = a.text(0);
    std::vector<std::string> names;
    if (name == "Chains") return QZValue(Body::chains());
    const std::vector<int> joints = Body::resolve(name);
    if (joints.empty()) a.failArgument(0, "names no joint or chain: " + shown(name));
    for (int joint : joints) names.push_back(Body::joints()[joint].name);
    return QZValue(names);
  };
  on("getJointNames(string)", namesOf);
  on("getBodyNames(string)", namesOf);
  on("getSensorNames()", [](const Args&, TaskControl&) {
    std::vector<std::string> names;
    for (const JointInfo& joint : Body::joints()) names.push_back(joint.name);
    return QZValue(names);
  });
  // [[min, max, top speed, top torque], ...] per joint.
  on("getLimits(string)", [](const Args& a, TaskControl&) {
    const std::vector<int> joints = Body::resolve(a.text(0));
    if (joints.empty()) a.failArgument(0, "names no joint or chain: " + shown(a.text(0)));
    QZValue limits;
    limits.arraySetSize(static_cast<int>(joints.size()));
    for (std::size_t i = 0; i < joints.size(); ++i) {
      const JointInfo& joint = Body::joints()[joints[i]];
      limits[static_cast<int>(i)] = floats({joint.min, joint.max, joint.maxSpeed, 1.0f});
    }
    return limits;
  });
  on("getMass(string)", [](const Args& a, TaskControl&) {
    const std::vector<int> joints = Body::resolve(a.text(0));
    if (joints.empty()) a.failArgument(0, "names no joint or chain: " + shown(a.text(0)));
    float mass = 0.0f;
    for (int joint : joints) mass += Body::joints()[joint].mass;
    return QZValue(mass);
  });
  on("getMotionCycleTime()", [](const Args&, TaskControl&) { return QZValue(20); });
  on("getSummary()", [m](const Args&, TaskControl&) {
    std::ostringstream out;
    const Clock::time_point now = Clock::now();
    out << "Joint\tAngle\tStiffness\n";
    for (std::size_t i = 0; i < Body::joints().size(); ++i)
      out << Body::joints()[i].name << '\t' << m->body->angle(static_cast<int>(i), now) << '\t'
          << m->body->stiffness(static_cast<int>(i), now) << '\n';
    return QZValue(out.str());
  });
  on("getRobotConfig()", [](const Args&, TaskControl&) {
    QZValue config;
    config.arraySetSize(2);
    config[0] = QZValue(std::vector<std::string>{"Model Type", "Joints", "Version"});
    config[1] = QZValue(std::vector<std::string>{"simulated", std::to_string(Body::joints().size()), "1"});
    return config;
  });
  on("getPosition(string,int,bool)", [](const Args&, TaskControl&) { return floats({0, 0, 0, 0, 0, 0}); });
  on("getTransform(string,int,bool)", [](const Args&, TaskControl&) {
    return floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0});
  });
  on("getCOM(string,int,bool)", [](const Args&, TaskControl&) { return floats({0.0f, 0.0f, 0.3f}); });

  auto flag = [m](bool Motion::*field) {
    return std::make_pair(
        Behaviour([m, field](const Args& a, TaskControl&) {
          std::lock_guard<std::mutex> lock(m->mutex);
          (*m).*field = a.flag(0);
          return QZValue();
        }),
        Behaviour([m, field](const Args&, TaskControl&) {
          std::lock_guard<std::mutex> lock(m->mutex);
          return QZValue((*m).*field);
        }));
  };
  auto fall = flag(&Motion::fallManager);
  on("setFallManagerEnabled(bool)", fall.first);
  on("getFallManagerEnabled()", fall.second);
  auto smart = flag(&Motion::smartStiffness);
  on("setSmartStiffnessEnabled(bool)", smart.first);
  on("getSmartStiffnessEnabled()", smart.second);

  Behaviour setArms = [m](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->leftWalkArm = a.flag(0);
    m->rightWalkArm = a.flag(1);
    return QZValue();
  };
  Behaviour getArms = [m](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(m->mutex);
    return flags(m->leftWalkArm, m->rightWalkArm);
  };
  on("setWalkArmsEnable(bool,bool)", setArms);
  on("setWalkArmsEnabled(bool,bool)", setArms);
  on("getWalkArmsEnable()", getArms);
  on("getWalkArmsEnabled()", getArms);

  on("setCollisionProtectionEnabled(string,bool)", [m](const Args& a, TaskControl&) {
    const std::string chain = a.text(0);
    if (chain != "Arms" && chain != "LArm" && chain != "RArm")
      a.failArgument(0, "must be Arms, LArm or RArm");
    std::lock_guard<std::mutex> lock(m->mutex);
    for (const char* arm : {"LArm", "RArm"})
      if (chain == "Arms" || chain == arm) m->collisionProtection[arm] = a.flag(1);
    return QZValue(true);
  });
  on("getCollisionProtectionEnabled(string)", [m](const Args& a, TaskControl&) {
    std::lock_guard<std::mutex> lock(m->mutex);
    auto found = m->collisionProtection.find(a.text(0) == "Arms" ? "LArm" : a.text(0));
    return QZValue(found == m->collisionProtection.end() || found->second);
  });
  on("isCollision(string)", [](const Args&, TaskControl&) { return QZValue(std::string("none")); });
}

}  // namespace

}  // namespace motion

void installMotion(Behaviours& b, World& world) {
  auto state = std::make_shared<motion::Motion>();
  state->body = world.body;
  motion::installJoints(b, state);
  motion::installWalk(b, state);
  motion::installQueries(b, state);
  std::function<bool(int)> stopTask = world.stopTask;
  b.add(motion::kModule, "killTask(int)", [stopTask](const Args& a, TaskControl&) {
    return QZ::QZValue(stopTask(a.integer(0)));
  });
}

}  // namespace qzsim
