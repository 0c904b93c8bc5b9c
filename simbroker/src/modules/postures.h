// Named postures of the simulated body, shared by QZMotion (wakeUp, rest) and
// QZRobotPosture.
#ifndef QZSIM_POSTURES_H
#define QZSIM_POSTURES_H

#include "body.h"

#include <string>
#include <vector>

namespace qzsim {

struct Posture {
  std::string name;
  std::string family;
  std::vector<float> angles;  // one per joint of Body::joints()
};

const std::vector<Posture>& postures();
const Posture* findPosture(const std::string& name);

// Moves every joint to the posture within `seconds`, waits for it unless stopped,
// and remembers the posture once reached. True when it was reached.
bool goToPosture(Body& body, const Posture& posture, double seconds, TaskControl& control);

}  // namespace qzsim

#endif
