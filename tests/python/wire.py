"""The broker's side of the wire, for the tests' recording broker: the answers it sends
and a reader of the requests the library sends (SOAP envelopes, alone or as the first
record of a DIME message whose further records are the Binary values)."""

import struct
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass, field

XSI_TYPE = "{http://www.w3.org/2001/XMLSchema-instance}type"
XSI_NIL = "{http://www.w3.org/2001/XMLSchema-instance}nil"
BROKER_NS = "{urn:qzbroker}"

ENVELOPE = (
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    '<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"'
    ' xmlns:SOAP-ENC="http://schemas.xmlsoap.org/soap/encoding/"'
    ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
    ' xmlns:xsd="http://www.w3.org/2001/XMLSchema"'
    ' xmlns:qzbroker="urn:qzbroker" xmlns:qz="urn:velantrix">'
    "<SOAP-ENV:Body>{}</SOAP-ENV:Body></SOAP-ENV:Envelope>")

# ---- answers ----------------------------------------------------------------------

NIL = '<item xsi:nil="true" xsi:type="nil">nil</item>'


def int_item(value):
    return f'<item xsi:type="xsd:int">{value}</item>'


def float_item(text):
    return f'<item xsi:type="xsd:float">{text}</item>'


def bool_item(value):
    return f'<item xsi:type="xsd:boolean">{"true" if value else "false"}</item>'


def string_item(xml_text):
    """A String item; the text goes in as it is (escape it first if needed)."""
    return f'<item xsi:type="xsd:string">{xml_text}</item>'


def array_item(*items):
    return '<item xsi:type="Array">' + "".join(items) + "</item>"


def answer(element, result_xml):
    return ENVELOPE.format(f"<qzbroker:{element}><qzbroker:return>{result_xml}"
                           f"</qzbroker:return></qzbroker:{element}>")


def call_answer(value_xml):
    """A callTamsa answer as the broker wraps a method's result: [Int 1, value]."""
    return answer("callTamsaResponse", array_item(int_item(1), value_xml))


def post_answer(task_id):
    return answer("callTamsa2Response", int_item(task_id))


def module_record(module, ip, port):
    return answer("getModuleByNameResponse",
                  f"<name>{module}</name><architecture>3</architecture><ip>{ip}</ip>"
                  f"<port>{port}</port>")


def fault(fault_string, detail):
    return ENVELOPE.format("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
                           f"<faultstring>{fault_string}</faultstring><detail>{detail}</detail>"
                           "</SOAP-ENV:Fault>")


# ---- requests ---------------------------------------------------------------------

@dataclass
class Item:
    """One value as it arrived: its xsi:type and its Python value (a Binary item's value
    is its attachment's bytes)."""
    kind: str
    value: object


@dataclass
class WireCall:
    operation: str                  # getModuleByName, callTamsa or callTamsa2
    module: str
    method: str = ""
    params: Item = None             # the argument value; None when the call had none
    attachments: list = field(default_factory=list)

    @property
    def args(self):
        """The argument items, when the arguments travelled as one Array."""
        return self.params.value if self.params and self.params.kind == "Array" else []


def split_dime(body):
    """The data of each record of a DIME message."""
    records, at = [], 0
    while at + 12 <= len(body):
        options, id_length, type_length, data_length = struct.unpack(">HHHI", body[at + 2:at + 12])
        at += 12
        for length in (options, id_length, type_length):
            at += (length + 3) // 4 * 4
        records.append(body[at:at + data_length])
        at += (data_length + 3) // 4 * 4
    return records


def read_text(text):
    """The bytes a String item stands for: the writer sends each byte above 0x7F as a
    character reference of that byte's value."""
    raw = (text or "").encode("latin-1")
    return raw.decode("utf-8", "surrogateescape")


def read_item(element, attachments):
    kind = element.get(XSI_TYPE, "")
    if element.get(XSI_NIL) == "true":
        return Item(kind, None)
    if kind == "Array":
        return Item(kind, [read_item(child, attachments) for child in element])
    readers = {
        "xsd:int": int,
        "xsd:float": float,
        "xsd:boolean": lambda text: text == "true",
        "xsd:string": read_text,
        "xsd:base64Object": lambda text: text,
        "xsd:base64Binary": lambda text: attachments.pop(0),
    }
    return Item(kind, readers[kind](element.text or ""))


def parse_request(body, content_type):
    attachments = []
    if content_type.startswith("application/dime"):
        envelope, *attachments = split_dime(body)
    else:
        envelope = body
    root = ElementTree.fromstring(envelope)
    for operation in ("getModuleByName", "callTamsa2", "callTamsa"):
        node = root.find(f".//{BROKER_NS}{operation}")
        if node is not None:
            break
    else:
        raise ValueError("no broker operation in the request")
    if operation == "getModuleByName":
        return WireCall(operation, node.findtext(f"{BROKER_NS}pModuleName", ""))
    call = WireCall(operation, node.findtext(f"{BROKER_NS}mod", ""),
                    node.findtext(f"{BROKER_NS}meth", ""), attachments=list(attachments))
    params = node.find(f"{BROKER_NS}p")
    items = list(params) if params is not None else []
    if items:
        call.params = read_item(items[0], attachments)
    return call


def plain(item):
    """An item as a plain Python value, nested lists included."""
    if item.kind == "Array":
        return [plain(child) for child in item.value]
    return item.value
