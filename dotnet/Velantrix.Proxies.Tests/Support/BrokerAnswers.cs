namespace Velantrix.Proxies.Tests.Support;

/// <summary>The texts a broker answers with, as the library reads them.</summary>
internal static class BrokerAnswers
{
    private const string EnvelopeStart =
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"" +
        " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\"" +
        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"" +
        " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"" +
        " xmlns:qzbroker=\"urn:qzbroker\" xmlns:qz=\"urn:velantrix\">";

    public const string Nil = "<item xsi:nil=\"true\" xsi:type=\"nil\">nil</item>";

    public static string Int(int value) => $"<item xsi:type=\"xsd:int\">{value}</item>";

    public static string Float(string text) => $"<item xsi:type=\"xsd:float\">{text}</item>";

    public static string Bool(bool value) => $"<item xsi:type=\"xsd:boolean\">{(value ? "true" : "false")}</item>";

    /// <summary>A String item; the text goes in as it is (escape it first if needed).</summary>
    public static string String(string xmlText) => $"<item xsi:type=\"xsd:string\">{xmlText}</item>";

    public static string Array(params string[] items) => $"<item xsi:type=\"Array\">{string.Concat(items)}</item>";

    /// <summary>[Int 1, value]: the form in which the broker wraps a method's result.</summary>
    public static string StatusPair(string valueXml) => Array(Int(1), valueXml);

    public static string Envelope(string bodyContent) =>
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + EnvelopeStart + "<SOAP-ENV:Body>" + bodyContent +
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

    public static string Answer(string answerElement, string resultXml) =>
        Envelope($"<qzbroker:{answerElement}><qzbroker:return>{resultXml}</qzbroker:return></qzbroker:{answerElement}>");

    public static string Fault(string faultString, string detail) =>
        Envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" + faultString +
                 "</faultstring><detail>" + detail + "</detail></SOAP-ENV:Fault>");

    public static string ModuleRecord(string module, string ip, int port) =>
        Answer("getModuleByNameResponse",
               $"<name>{module}</name><architecture>3</architecture><ip>{ip}</ip><port>{port}</port>");
}
