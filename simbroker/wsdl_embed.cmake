# Turns the WSDL that soapcpp2 writes for the broker's service header into a C++
# source holding it as text, for qzbroker-sim --wsdl. Run with -P, given WSDL_IN and
# OUT. Two touches make it usable by generic SOAP tools: the dynamic value type gets
# a schema (any content), and the record's bools are typed xsd:boolean.
file(READ ${WSDL_IN} wsdl)
set(value_type [=[<complexType name="Value" mixed="true"><!-- a dynamic value: nested item elements typed by xsi:type -->
          <sequence>
            <any processContents="lax" minOccurs="0" maxOccurs="unbounded"/>
          </sequence>
          <anyAttribute processContents="lax"/>
    </complexType>
    <complexType name="QZModuleInfo">]=])
string(REPLACE [=[<complexType name="QZModuleInfo">]=] "${value_type}" wsdl "${wsdl}")
string(REPLACE [=[type="xsd:bool"]=] [=[type="xsd:boolean"]=] wsdl "${wsdl}")
string(FIND "${wsdl}" ")qzwsdl\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "the WSDL holds the raw string delimiter")
endif()
file(WRITE ${OUT} "// Generated from qzbroker.wsdl by simbroker/wsdl_embed.cmake. Do not edit.
#include \"wsdl.h\"

namespace qzsim {

const char* const kWsdlText = R\"qzwsdl(${wsdl})qzwsdl\";

}  // namespace qzsim
")
