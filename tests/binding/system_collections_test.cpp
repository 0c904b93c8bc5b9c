#include <velantrix/system.h>

#include <gtest/gtest.h>

using System::Array;
using System::Object;
using System::String;
using System::Collections::ArrayList;
using System::Collections::IList;
using System::Collections::Generic::List;

TEST(SystemCollections, FullNamesAndTheListInterface) {
  const Object bytes = Array<unsigned char>{1, 2};
  const Object shorts = Array<short>{1};
  const Object objects = Array<Object>{1};
  const Object arrayList = ArrayList();
  const Object strings = List<String>();
  const Object floats = List<float>();
  EXPECT_EQ(bytes.GetType().FullName(), "System.Byte[]");
  EXPECT_EQ(shorts.GetType().FullName(), "System.Int16[]");
  EXPECT_EQ(objects.GetType().FullName(), "System.Object[]");
  EXPECT_EQ(arrayList.GetType().FullName(), "System.Collections.ArrayList");
  EXPECT_EQ(strings.GetType().FullName(), "System.Collections.Generic.List`1[System.String]");
  EXPECT_EQ(floats.GetType().FullName(), "System.Collections.Generic.List`1[System.Single]");
  for (const Object& list : {bytes, shorts, objects, arrayList, strings, floats}) {
    EXPECT_EQ(list.GetType().GetInterface("System.Collections.IList").FullName(),
              "System.Collections.IList");
    EXPECT_TRUE(list.Is<IList>());
  }
  EXPECT_TRUE(Object(5).GetType().GetInterface("System.Collections.IList").IsNull());
  EXPECT_TRUE(Object("abc").GetType().GetInterface("System.Collections.IList").IsNull());
}

TEST(SystemCollections, IListSeesElementsBoxed) {
  const IList bytes = Object(Array<unsigned char>{7, 8}).As<IList>();
  ASSERT_EQ(bytes.Count(), 2);
  EXPECT_EQ(bytes[1].GetType().FullName(), "System.Byte");
  EXPECT_EQ(bytes[1].Unbox<unsigned char>(), 8);
  const IList names = Object(List<String>{"a", "b"}).As<IList>();
  EXPECT_EQ(names[0].As<String>(), "a");
  EXPECT_THROW(names[2], System::ArgumentOutOfRangeException);
  EXPECT_THROW(IList(nullptr).Count(), System::NullReferenceException);
}

TEST(SystemCollections, BoundsAndNullsRaiseTheHostErrors) {
  Array<short> samples = Array<short>::New(3);
  EXPECT_EQ(samples[2], 0);
  EXPECT_THROW(samples[3], System::IndexOutOfRangeException);
  EXPECT_THROW(samples[-1], System::IndexOutOfRangeException);
  EXPECT_THROW(Array<short>::New(-1), System::ArgumentOutOfRangeException);
  EXPECT_THROW(Array<short>().Length(), System::NullReferenceException);

  ArrayList list{"a", 1, true, 2.5f, Object(ArrayList())};
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list[4].GetType().FullName(), "System.Collections.ArrayList");  // nested, not copied
  EXPECT_EQ(list.Add(3), 5);
  EXPECT_THROW(list[6], System::ArgumentOutOfRangeException);
  EXPECT_THROW(List<float>(nullptr).Add(1.0f), System::NullReferenceException);
}
