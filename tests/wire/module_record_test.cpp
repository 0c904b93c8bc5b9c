// Reading the broker's module record.
#include "wirefixture.h"

namespace {

class ModuleRecordTest : public WireTest {
protected:
  // The status of a lookup whose answer element holds `content`.
  int lookUp(const std::string& content) {
    server.enqueue(qztest::httpAnswer(qztest::soapEnvelope(
        "<qzbroker:getModuleByNameResponse>" + content + "</qzbroker:getModuleByNameResponse>")));
    out = QZ::wire::ModuleRecord();
    out.name = "untouched";
    const int status = QZ::wire::getModuleByName(soap, server.endpoint(), "QZMotion", out);
    QZ::wire::finishCall(soap);
    return status;
  }
  QZ::wire::ModuleRecord out;
};

TEST_F(ModuleRecordTest, ReadsEveryFieldInTheWritersOrder) {
  ASSERT_EQ(0, lookUp("<qzbroker:return><name>QZMotion</name><architecture>2</architecture>"
                      "<ip>10.0.0.5</ip><port>4700</port><processId>-12</processId>"
                      "<modulePointer>123456</modulePointer><isABroker>true</isABroker>"
                      "<keepAlive>false</keepAlive></qzbroker:return>"
                      "<qzbroker:return><name>later</name></qzbroker:return>"));
  EXPECT_EQ("QZMotion", out.name);
  EXPECT_EQ(2, out.architecture);
  EXPECT_EQ("10.0.0.5", out.ip);
  EXPECT_EQ(4700, out.port);
  EXPECT_EQ(-12, out.processId);
  EXPECT_EQ(123456, out.modulePointer);
  EXPECT_TRUE(out.isABroker);
  EXPECT_FALSE(out.keepAlive);
}

TEST_F(ModuleRecordTest, AnyOrderMissingFieldsAndAcceptedTypes) {
  // Another order, no ip, an unknown child, 1/0 bools, the accepted xsi:types, a
  // type on the record itself, under another element name.
  ASSERT_EQ(0, lookUp("<ns:result xmlns:ns=\"urn:x\" xsi:type=\"ns:Other\">"
                      "<keepAlive xsi:type=\"xsd:bool\">1</keepAlive>"
                      "<port xsi:type=\"ns:short\">80</port><extra><deep/></extra>"
                      "<isABroker xsi:type=\"ns:boolean\">0</isABroker>"
                      "<architecture xsi:type=\"xsd:int\">1</architecture>"
                      "<processId xsi:type=\"ns:byte\">3</processId>"
                      "<modulePointer xsi:type=\"ns:int\">4</modulePointer>"
                      "<name xsi:type=\"xsd:anything\">QZAudio</name></ns:result>"));
  EXPECT_EQ("QZAudio", out.name);
  EXPECT_EQ("", out.ip);
  EXPECT_EQ(80, out.port);
  EXPECT_EQ(1, out.architecture);
  EXPECT_EQ(3, out.processId);
  EXPECT_EQ(4, out.modulePointer);
  EXPECT_FALSE(out.isABroker);
  EXPECT_TRUE(out.keepAlive);

  ASSERT_EQ(0, lookUp("<qzbroker:return><name xsi:nil=\"true\"/><port>1</port></qzbroker:return>"));
  EXPECT_EQ("", out.name);
  EXPECT_EQ(1, out.port);
}

TEST_F(ModuleRecordTest, WrongTypesAndTextsFail) {
  const char* const records[] = {
      "<qzbroker:return><isABroker>2</isABroker></qzbroker:return>",
      "<qzbroker:return><keepAlive>yes</keepAlive></qzbroker:return>",
      "<qzbroker:return><port>12abc</port></qzbroker:return>",
      "<qzbroker:return><port xsi:type=\"xsd:string\">1</port></qzbroker:return>",
      "<qzbroker:return><isABroker xsi:type=\"xsd:int\">1</isABroker></qzbroker:return>",
      "",  // no record at all
  };
  for (const char* record : records) {
    SCOPED_TRACE(record);
    EXPECT_NE(0, lookUp(record));
    // The next lookup on the same context works.
    EXPECT_EQ(0, lookUp("<qzbroker:return><name>ok</name></qzbroker:return>"));
    EXPECT_EQ("ok", out.name);
  }
}

}  // namespace
