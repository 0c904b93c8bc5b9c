// Uses the installed headers and library; prints one value and exits 0 when it reads back.
#include <qzvalue/qzerror.h>
#include <qzvalue/qzvalue.h>

#include <iostream>

int main() {
  QZ::QZValue angles(std::vector<float>{0.5f, -0.25f});
  std::cout << angles.toString(1) << std::endl;
  try {
    QZ::QZValue::TypeToString(static_cast<QZ::QZValue::Type>(9));
  } catch (const QZ::QZError& error) {
    std::cout << error.what() << std::endl;
  }
  return angles.toString(1) == "[0.5, -0.25]" ? 0 : 1;
}
