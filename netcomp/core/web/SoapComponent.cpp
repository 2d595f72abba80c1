// The SOAP component's flat interface: its property and method tables over
// the SOAP engine.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/web/SoapEngine.h"
#include "netcomp/include/netcomp_soap.h"

namespace {

using E = SoapEngine;
using P = Properties<E>;
using M = Methods<E>;

int Value(E& e, MethodArgs& args)
{
    const char* value = "";
    const int rc = e.ParamValueByName(args.Text(0), &value);
    args.Answer(1, value);
    return rc;
}

template <int Mode>
int SendMode(E& e, MethodArgs&)
{
    return e.Send(Mode);
}

constexpr PropertyDescriptor<E> kSoapProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kSoapAccept),
    P::ReadWrite<&E::ActionURI, &E::SetActionURI>(kSoapActionURI),
    P::ReadWrite<&E::Authorization, &E::SetAuthorization>(kSoapAuthorization),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthScheme>(kSoapAuthScheme),
    P::ReadWrite<&E::IsConnected, &E::SetConnected>(kSoapConnected),
    P::ReadWrite<&E::ContentType, &E::SetContentType>(kSoapContentType),
    P::ReadWrite<&E::CookieCount, &E::SetCookieCount>(kSoapCookieCount),
    P::ReadWriteIndexed<&E::CookieName, &E::SetCookieName, &E::CheckCookieIndex>(kSoapCookieName),
    P::ReadWriteIndexed<&E::CookieValue, &E::SetCookieValue, &E::CheckCookieIndex>(kSoapCookieValue),
    P::Read<&E::FaultActor>(kSoapFaultActor),
    P::Read<&E::FaultCode>(kSoapFaultCode),
    P::Read<&E::FaultString>(kSoapFaultString),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kSoapFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kSoapFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kSoapFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kSoapFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kSoapFirewallUser),
    P::ReadWrite<&E::FollowRedirects, &E::SetFollowRedirects>(kSoapFollowRedirects),
    P::ReadWrite<&E::OtherHeaders, &E::SetOtherHeaders>(kSoapOtherHeaders),
    P::Read<&E::Idle>(kSoapIdle),
    P::ReadWrite<&E::GetLocalHost, &E::SetLocalHost>(kSoapLocalHost),
    P::ReadWrite<&E::Method, &E::SetMethod>(kSoapMethod),
    P::ReadWrite<&E::MethodURI, &E::SetMethodURI>(kSoapMethodURI),
    P::ReadWrite<&E::NamespaceCount, &E::SetNamespaceCount>(kSoapNamespaceCount),
    P::ReadWriteIndexed<&E::NamespaceURI, &E::SetNamespaceURI, &E::CheckNamespaceIndex>(kSoapNamespaceURI),
    P::ReadWriteIndexed<&E::ParamAttr, &E::SetParamAttr, &E::CheckParamIndex>(kSoapParamAttr),
    P::ReadWrite<&E::ParamCount, &E::SetParamCount>(kSoapParamCount),
    P::ReadWriteIndexed<&E::ParamName, &E::SetParamName, &E::CheckParamIndex>(kSoapParamName),
    P::ReadWriteIndexed<&E::ParamValue, &E::SetParamValue, &E::CheckParamIndex>(kSoapParamValue),
    P::ReadWrite<&E::Password, &E::SetPassword>(kSoapPassword),
    P::ReadWrite<&E::Pragma, &E::SetPragma>(kSoapPragma),
    P::ReadWriteIndexed<&E::NamespacePrefix, &E::SetNamespacePrefix, &E::CheckNamespaceIndex>(kSoapNamespacePrefix),
    P::ReadWrite<&E::ProxyAuthorization, &E::SetProxyAuthorization>(kSoapProxyAuthorization),
    P::ReadWrite<&E::ProxyPort, &E::SetProxyPort>(kSoapProxyPort),
    P::ReadWrite<&E::ProxyServer, &E::SetProxyServer>(kSoapProxyServer),
    P::ReadWrite<&E::Referer, &E::SetReferer>(kSoapReferer),
    P::Read<&E::ReturnValue>(kSoapReturnValue),
    P::ReadWrite<&E::EncodingStyle, &E::SetEncodingStyle>(kSoapSOAPEncoding),
    P::ReadWrite<&E::Header, &E::SetHeader>(kSoapSOAPHeader),
    P::ReadWrite<&E::Packet, &E::SetPacket>(kSoapSOAPPacket),
    P::Read<&E::StatusLine>(kSoapStatusLine),
    P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kSoapTimeout),
    P::ReadWrite<&E::URL, &E::SetUrl>(kSoapURL),
    P::ReadWrite<&E::User, &E::SetUser>(kSoapUser),
    P::ReadWrite<&E::RawValues, &E::SetRawValues>(kSoapRawValues),
    P::Read<&E::XAttrCount>(kSoapXAttrCount),
    P::ReadIndexed<&E::XAttrName, &E::CheckAttrIndex>(kSoapXAttrName),
    P::ReadIndexed<&E::XAttrNamespace, &E::CheckAttrIndex>(kSoapXAttrNamespace),
    P::ReadIndexed<&E::XAttrPrefix, &E::CheckAttrIndex>(kSoapXAttrPrefix),
    P::ReadIndexed<&E::XAttrValue, &E::CheckAttrIndex>(kSoapXAttrValue),
    P::Read<&E::XChildren>(kSoapXChildren),
    P::Read<&E::XElement>(kSoapXElement),
    P::Read<&E::XNamespace>(kSoapXNamespace),
    P::Read<&E::XParent>(kSoapXParent),
    P::ReadWrite<&E::XPath, &E::SetXPath>(kSoapXPath),
    P::Read<&E::XPrefix>(kSoapXPrefix),
    P::Read<&E::XText>(kSoapXText),
};

constexpr MethodDescriptor<E> kSoapMethods[] = {
    M::Call<&E::AddCookie>(kSoapAddCookie),
    M::Call<&E::AddNamespace>(kSoapAddNamespace),
    M::Call<&E::AddParameter>(kSoapAddParameter),
    M::Custom(kSoapBuildPacket, 0, SendMode<kSoapModeBuild>),
    M::Call<&E::DoEvents>(kSoapDoEvents).AnyTime(),
    M::Custom(kSoapEvalPacket, 0, SendMode<kSoapModeEvaluate>),
    M::Custom(kSoapNoAction, 0, SendMode<kSoapModeNothing>),
    M::Custom(kSoapReset, 0, SendMode<kSoapModeReset>),
    M::Custom(kSoapSendPacket, 0, SendMode<kSoapModePacket>),
    M::Custom(kSoapSendRequest, 0, SendMode<kSoapModeRequest>),
    M::Custom(kSoapValue, 2, Value),
};

struct SoapComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kSoapProperties;
    static constexpr auto& kMethods = kSoapMethods;
    // A read at a bad index of any list is null.
    static constexpr bool kBadIndexReadsNull = true;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(SOAP, SoapComponent)
