// The RSS component's flat interface over the RSS engine: its property and
// method tables. The channel, image, text-input and item properties are
// fields of the model, named in one table.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_rss.h"
#include "netcomp/net/rss/RssEngine.h"

namespace {

// The engine with the accessors its tables name.
class RssComponentEngine final : public RssEngine {
public:
    void SetFollow(bool on) { SetFollowRedirects(on ? 1 : 0); }
    bool Follow() const { return FollowRedirects() != 0; }
};

using E = RssComponentEngine;
using P = Properties<E>;
using M = Methods<E>;

struct FieldProperty {
    int number;
    RssRecord record;
    const char* field;
    const char* attribute; // null: the field's text
};

constexpr FieldProperty kFields[] = {
    {kRssChannelCategory, RssRecord::Channel, "category", nullptr},
    {kRssChannelCategoryDomain, RssRecord::Channel, "category", "domain"},
    {kRssChannelCopyright, RssRecord::Channel, "copyright", nullptr},
    {kRssChannelDescription, RssRecord::Channel, "description", nullptr},
    {kRssChannelDocs, RssRecord::Channel, "docs", nullptr},
    {kRssChannelLanguage, RssRecord::Channel, "language", nullptr},
    {kRssChannelLastBuildDate, RssRecord::Channel, "lastBuildDate", nullptr},
    {kRssChannelLink, RssRecord::Channel, "link", nullptr},
    {kRssChannelManagingEditor, RssRecord::Channel, "managingEditor", nullptr},
    {kRssChannelPubDate, RssRecord::Channel, "pubDate", nullptr},
    {kRssChannelTitle, RssRecord::Channel, "title", nullptr},
    {kRssChannelWebMaster, RssRecord::Channel, "webMaster", nullptr},
    {kRssImageLink, RssRecord::Image, "link", nullptr},
    {kRssImageTitle, RssRecord::Image, "title", nullptr},
    {kRssImageURL, RssRecord::Image, "url", nullptr},
    {kRssItemAuthor, RssRecord::Item, "author", nullptr},
    {kRssItemCategory, RssRecord::Item, "category", nullptr},
    {kRssItemCategoryDomain, RssRecord::Item, "category", "domain"},
    {kRssItemComments, RssRecord::Item, "comments", nullptr},
    {kRssItemDescription, RssRecord::Item, "description", nullptr},
    {kRssItemGuid, RssRecord::Item, "guid", nullptr},
    {kRssItemLink, RssRecord::Item, "link", nullptr},
    {kRssItemPubDate, RssRecord::Item, "pubDate", nullptr},
    {kRssItemSource, RssRecord::Item, "source", nullptr},
    {kRssItemSourceURL, RssRecord::Item, "source", "url"},
    {kRssItemTitle, RssRecord::Item, "title", nullptr},
    {kRssTextInputDescription, RssRecord::TextInput, "description", nullptr},
    {kRssTextInputLink, RssRecord::TextInput, "link", nullptr},
    {kRssTextInputName, RssRecord::TextInput, "name", nullptr},
    {kRssTextInputTitle, RssRecord::TextInput, "title", nullptr},
};

constexpr const FieldProperty& FieldOf(int number, int i = 0)
{
    return kFields[i].number == number ? kFields[i] : FieldOf(number, i + 1);
}

INT_PTR GetField(E& engine, ComponentObjectBase&, int property, int index, int*)
{
    const FieldProperty& f = FieldOf(property);
    return reinterpret_cast<INT_PTR>(engine.FieldText(f.record, index, f.field, f.attribute));
}

int SetField(E& engine, int property, int index, INT_PTR value, int)
{
    const FieldProperty& f = FieldOf(property);
    return engine.SetFieldText(f.record, index, f.field, f.attribute, reinterpret_cast<const char*>(value));
}

// A field property: indexed by item for the item fields.
constexpr PropertyDescriptor<E> Field(int number)
{
    return FieldOf(number).record == RssRecord::Item ? P::Custom(number, ValueType::Text, &GetField, &SetField,
                                                                 &component_table::CheckIndex<E, &E::CheckItemIndex>)
                                                     : P::Custom(number, ValueType::Text, &GetField, &SetField);
}

constexpr PropertyDescriptor<E> kRssProperties[] = {
    P::ReadWrite<&E::Accept, &E::SetAccept>(kRssAccept),
    P::ReadWrite<&E::AuthScheme, &E::SetAuthScheme>(kRssAuthScheme),
    Field(kRssChannelCategory),
    Field(kRssChannelCategoryDomain),
    Field(kRssChannelCopyright),
    Field(kRssChannelDescription),
    Field(kRssChannelDocs),
    Field(kRssChannelLanguage),
    Field(kRssChannelLastBuildDate),
    Field(kRssChannelLink),
    Field(kRssChannelManagingEditor),
    Field(kRssChannelPubDate),
    Field(kRssChannelTitle),
    Field(kRssChannelWebMaster),
    P::ReadWrite<&E::IsConnected, &E::SetConnected>(kRssConnected),
    P::ReadWrite<&E::GetFirewallHost, &E::SetFirewallHost>(kRssFirewallHost),
    P::ReadWrite<&E::GetFirewallPassword, &E::SetFirewallPassword>(kRssFirewallPassword),
    P::ReadWrite<&E::GetFirewallPort, &E::SetFirewallPort>(kRssFirewallPort),
    P::ReadWrite<&E::GetFirewallType, &E::SetFirewallType>(kRssFirewallType),
    P::ReadWrite<&E::GetFirewallUser, &E::SetFirewallUser>(kRssFirewallUser),
    P::ReadWrite<&E::Follow, &E::SetFollow>(kRssFollowRedirects),
    P::Read<&E::Idle>(kRssIdle),
    Field(kRssImageLink),
    Field(kRssImageTitle),
    Field(kRssImageURL),
    Field(kRssItemAuthor),
    Field(kRssItemCategory),
    Field(kRssItemCategoryDomain),
    Field(kRssItemComments),
    P::ReadWrite<&E::ItemCount, &E::SetItemCount>(kRssItemCount),
    Field(kRssItemDescription),
    Field(kRssItemGuid),
    Field(kRssItemLink),
    Field(kRssItemPubDate),
    Field(kRssItemSource),
    Field(kRssItemSourceURL),
    Field(kRssItemTitle),
    P::ReadWrite<&E::NamespaceCount, &E::SetNamespaceCount>(kRssNamespaceCount),
    P::ReadWriteIndexed<&E::NamespacePrefix, &E::SetNamespacePrefix, &E::CheckNamespaceIndex>(kRssNamespacePrefix),
    P::ReadWriteIndexed<&E::NamespaceUri, &E::SetNamespaceUri, &E::CheckNamespaceIndex>(kRssNamespaceURI),
    P::ReadWrite<&E::Password, &E::SetPassword>(kRssPassword),
    P::Read<&E::FeedText>(kRssRSSData),
    P::ReadWrite<&E::Version, &E::SetVersion>(kRssRSSVersion),
    Field(kRssTextInputDescription),
    Field(kRssTextInputLink),
    Field(kRssTextInputName),
    Field(kRssTextInputTitle),
    P::ReadWrite<&E::HttpTimeout, &E::SetWaitingTimeout>(kRssTimeout),
    P::ReadWrite<&E::User, &E::SetUser>(kRssUser),
};

constexpr MethodDescriptor<E> kRssMethods[] = {
    M::Call<&E::AddItem>(kRssMethodAddItem),         M::Call<&E::AddNamespace>(kRssMethodAddNamespace),
    M::Call<&E::GetFeed>(kRssMethodGetFeed),         M::Call<&E::GetProperty>(kRssMethodGetProperty).AnyTime(),
    M::Call<&E::GetUrl>(kRssMethodGetURL),           M::Call<&E::PutFeed>(kRssMethodPutFeed),
    M::Call<&E::ReadFile>(kRssMethodReadFile),       M::Call<&E::ResetAll>(kRssMethodReset),
    M::Call<&E::SetProperty>(kRssMethodSetProperty), M::Call<&E::WriteFile>(kRssMethodWriteFile),
};

struct RssComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kRssProperties;
    static constexpr auto& kMethods = kRssMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(RSS, RssComponent)
