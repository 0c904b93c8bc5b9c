// Readers of QZMotion's free-form arguments: joint names, numbers per joint, key frames.
#include "motion.h"

#include "../callfault.h"

namespace qzsim {
namespace motion {

using QZ::QZValue;

QZValue floats(const std::vector<float>& values) { return QZValue(values); }

// The joints an argument names: one name, or a list of names.
std::vector<int> jointsOf(const Args& a, int index) {
  std::vector<std::string> names;
  const QZValue& v = a.value(index);
  if (v.getType() == QZValue::TypeString) {
    names.push_back(static_cast<const std::string&>(v));
  } else if (v.getType() == QZValue::TypeArray) {
    for (const QZValue& name : *v.arrayElements()) {
      if (name.getType() != QZValue::TypeString) a.failArgument(index, "must hold joint or chain names");
      names.push_back(static_cast<const std::string&>(name));
    }
  } else {
    a.failArgument(index, "must be a joint or chain name, or a list of them");
  }
  std::vector<int> joints;
  for (const std::string& name : names) {
    const std::vector<int> found = Body::resolve(name);
    if (found.empty()) a.failArgument(index, "names no joint or chain: " + shown(name));
    joints.insert(joints.end(), found.begin(), found.end());
  }
  return joints;
}

// One number for every joint: a single number, or a list with one per joint.
std::vector<float> perJoint(const Args& a, int index, std::size_t count) {
  const QZValue& v = a.value(index);
  float number = 0.0f;
  if (readNumber(v, number)) return std::vector<float>(count, number);
  if (v.getType() == QZValue::TypeArray && v.getSize() == count) {
    std::vector<float> out;
    for (const QZValue& element : *v.arrayElements()) {
      if (!readNumber(element, number)) a.failArgument(index, "must hold numbers");
      out.push_back(number);
    }
    return out;
  }
  a.failArgument(index, "must be a number or a list of " + std::to_string(count) + " numbers");
}

// A list of numbers, or one number as a list of one.
bool numberList(const QZValue& v, std::vector<float>& out) {
  float number = 0.0f;
  out.clear();
  if (readNumber(v, number)) {
    out.push_back(number);
    return true;
  }
  if (v.getType() != QZValue::TypeArray) return false;
  for (const QZValue& element : *v.arrayElements()) {
    if (!readNumber(element, number)) return false;
    out.push_back(number);
  }
  return true;
}

// One list per joint; with a single joint, the list itself may be given.
std::vector<std::vector<float>> listsPerJoint(const Args& a, int index, std::size_t count) {
  const QZValue& v = a.value(index);
  std::vector<std::vector<float>> lists;
  std::vector<float> list;
  if (count == 1 && numberList(v, list)) return {list};
  if (v.getType() != QZValue::TypeArray || v.getSize() != count)
    a.failArgument(index, "must hold one list of numbers per joint (" + std::to_string(count) + ")");
  for (const QZValue& element : *v.arrayElements()) {
    if (!numberList(element, list)) a.failArgument(index, "must hold lists of numbers");
    lists.push_back(list);
  }
  return lists;
}

// Key frames of one joint from its values and times: the times must increase.
Keys keysOf(const Args& a, int timesIndex, const std::vector<float>& values,
            const std::vector<float>& times, float offset) {
  if (values.size() != times.size() || values.empty())
    a.failArgument(timesIndex, "must give one time per value, and at least one");
  Keys keys;
  double last = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!(times[i] > last)) a.failArgument(timesIndex, "must hold increasing times above 0 seconds");
    last = times[i];
    keys.emplace_back(times[i], values[i] + offset);
  }
  return keys;
}

float checkedFraction(const Args& a, int index) {
  const float fraction = a.number(index);
  if (!(fraction > 0.0f && fraction <= 1.0f)) a.failArgument(index, "must lie in (0, 1]");
  return fraction;
}

}  // namespace motion
}  // namespace qzsim
