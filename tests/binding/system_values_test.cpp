#include <velantrix/system.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

using System::Object;
using System::String;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

std::string typeOf(const Object& value) { return value.GetType().FullName(); }

}  // namespace

TEST(SystemObject, ScalarsBoxAsTheHostTypeOfTheirWidth) {
  EXPECT_EQ(typeOf(true), "System.Boolean");
  EXPECT_EQ(typeOf(5), "System.Int32");
  EXPECT_EQ(typeOf(1.5f), "System.Single");
  EXPECT_EQ(typeOf(2.5), "System.Double");
  EXPECT_EQ(typeOf(static_cast<short>(7)), "System.Int16");
  EXPECT_EQ(typeOf(static_cast<unsigned char>(7)), "System.Byte");
  EXPECT_EQ(typeOf(u'x'), "System.Char");
  EXPECT_EQ(typeOf('x'), "System.Int32");  // a C++ char promotes, as in any C++ call
  EXPECT_EQ(typeOf("text"), "System.String");
  EXPECT_EQ(typeOf(Object()), "System.Object");
}

TEST(SystemObject, UnboxIsExactAndAsGivesNullOnMismatch) {
  const Object five = 5;
  EXPECT_EQ(five.Unbox<int>(), 5);
  EXPECT_TRUE(five.Is<int>());
  EXPECT_FALSE(five.Is<short>());
  EXPECT_THROW(five.Unbox<short>(), System::InvalidCastException);
  EXPECT_TRUE(five.As<String>().IsNull());
  EXPECT_EQ(Object("abc").As<String>(), "abc");
  EXPECT_THROW(Object(nullptr).Unbox<int>(), System::NullReferenceException);
  EXPECT_THROW(Object(nullptr).GetType(), System::NullReferenceException);
}

TEST(SystemObject, ToStringWritesAsTheHostRuntimeDoes) {
  std::ostringstream out;
  out << Object(true) << '|' << Object(2.5f) << '|' << Object(-3) << '|' << Object()
      << '|' << Object(nullptr) << '|' << Object(u"\u00e9");
  EXPECT_EQ(out.str(), "True|2.5|-3|System.Object||\xC3\xA9");
}

TEST(SystemString, NullAndValueSemantics) {
  EXPECT_TRUE(String().IsNull());
  EXPECT_TRUE(String(static_cast<const char*>(nullptr)).IsNull());
  EXPECT_EQ(String(), nullptr);
  EXPECT_NE(String(""), nullptr);
  EXPECT_EQ(String("abc"), String(u"abc"));
  EXPECT_TRUE(String::IsNullOrEmpty(String("")));
  EXPECT_THROW(String().Length(), System::NullReferenceException);
  EXPECT_THROW(String("ab")[2], System::IndexOutOfRangeException);
}

TEST(SystemString, NarrowTextsAreUtf8) {
  EXPECT_EQ(String("\xC3\xA9").Chars(), u"\u00e9");
  EXPECT_EQ(String(u"\u00e9").ToStdString(), "\xC3\xA9");
  // A std::string keeps every byte; a C string stops at its NUL.
  EXPECT_EQ(String(std::string("a\0b", 3)).Length(), 3);
  EXPECT_EQ(String("a\0b").Length(), 1);
}

TEST(SystemException, MessagesAndKinds) {
  EXPECT_THAT([] { throw System::Exception(String(u"caf\u00e9")); },
              ThrowsMessage<System::Exception>(StrEq("caf\xC3\xA9")));
  EXPECT_EQ(System::Exception().Message(), "Exception of type 'System.Exception' was thrown.");
  EXPECT_STREQ(System::NullReferenceException().what(),
               "Object reference not set to an instance of an object.");
  const System::ArgumentNullException missing(String("s"));
  EXPECT_STREQ(missing.what(), "Value cannot be null.\nParameter name: s");
  EXPECT_EQ(missing.ParamName(), "s");
  const System::ObjectDisposedException disposed(String("MotionProxy"));
  EXPECT_STREQ(disposed.what(), "Cannot access a disposed object: MotionProxy");
  // Every host error is a System::Exception and a std::exception.
  const System::Exception& asHost = missing;
  const std::exception& asStd = disposed;
  EXPECT_EQ(asHost.Message(), missing.Message());
  EXPECT_STREQ(asStd.what(), disposed.what());
}
