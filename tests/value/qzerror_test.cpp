#include "qzvalue/qzerror.h"

#include <gtest/gtest.h>

using QZ::QZError;
using QZ::QZNetworkError;

TEST(QZErrorText, ComposesTabsSeparatorAndLineFeed) {
  EXPECT_STREQ(QZError("QZValue", "TypeToString", "Unknown type: 9", "f.cpp", 3).what(),
               "\tQZValue::TypeToString\n\tUnknown type: 9");
  // Empty parts are left out, but the line feed and the tab before the description stay.
  EXPECT_STREQ(QZError("", "", "only this", nullptr, 0).what(), "\n\tonly this");
  EXPECT_STREQ(QZError("QZProxy", "", "d", nullptr, 0).what(), "\tQZProxy\n\td");
  EXPECT_STREQ(QZError("", "call", "d", nullptr, 0).what(), "::call\n\td");
  EXPECT_STREQ(QZError("QZProxy", "null copy in CALL_METHODS", "", nullptr, 0).what(),
               "\tQZProxy::null copy in CALL_METHODS\n\t");
}

TEST(QZErrorText, FileAndLineNeverShow) {
  const QZError a("M", "m", "d", "one.cpp", 1);
  const QZError b("M", "m", "d", "/elsewhere/two.cpp", 999);
  EXPECT_STREQ(a.what(), b.what());
}

TEST(QZErrorText, CopiesAndNetworkErrorsKeepTheText) {
  const QZError original("QZNetwork", "setEndPoint", "connection not initialized", nullptr, 0);
  const QZError copy(original);
  EXPECT_STREQ(copy.what(), original.what());

  try {
    throw QZNetworkError("QZNetwork", "getModuleByName", "failed", __FILE__, __LINE__);
  } catch (const QZError& caught) {
    EXPECT_STREQ(caught.what(), "\tQZNetwork::getModuleByName\n\tfailed");
    EXPECT_NE(dynamic_cast<const QZNetworkError*>(&caught), nullptr);
  }
  try {
    throw QZError("a", "b", "c", nullptr, 0);
  } catch (const std::runtime_error& caught) {
    EXPECT_STREQ(caught.what(), "\ta::b\n\tc");
  }
}
