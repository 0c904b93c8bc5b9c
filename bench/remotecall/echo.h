// A one-operation string echo service: what a user of plain gSOAP would write to talk
// to a server without this library. Read by soapcpp2 at build time, into its own C++
// namespace so that nothing clashes with the library's generated code.

//gsoap ns service name: echo
//gsoap ns service namespace: urn:qzbench-echo
//gsoap ns service style: document
//gsoap ns service encoding: literal

// Sends `text` and receives it back in `out`.
int ns__echo(std::string text, std::string& out);
