// The MIME component's flat interface: its property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/include/netcomp_mime.h"
#include "netcomp/mail/mime/MimeWrapper.h"

namespace {

using P = Properties<MimeWrapper>;
using M = Methods<MimeWrapper>;
using W = MimeWrapper;

constexpr PropertyDescriptor<MimeWrapper> kMimeProperties[] = {
    P::ReadWrite<&W::GetBoundary, &W::SetBoundary>(kMimeBoundary),
    P::ReadWrite<&W::GetContentType, &W::SetContentType>(kMimeContentType),
    P::ReadWrite<&W::GetContentTypeAttr, &W::SetContentTypeAttr>(kMimeContentTypeAttr),
    P::ReadWrite<&W::GetMessage, &W::SetMessage>(kMimeMessage),
    P::ReadWrite<&W::GetMessageHeaders, &W::SetMessageHeaders>(kMimeMessageHeaders),
    P::ReadWriteIndexed<&W::PartContentDisposition, &W::SetPartContentDisposition, &W::CheckPartIndex>(
        kMimePartContentDisposition),
    P::ReadWriteIndexed<&W::PartContentDispositionAttr, &W::SetPartContentDispositionAttr, &W::CheckPartIndex>(
        kMimePartContentDispositionAttr),
    P::ReadWriteIndexed<&W::PartContentId, &W::SetPartContentId, &W::CheckPartIndex>(kMimePartContentId),
    P::ReadWriteIndexed<&W::PartContentType, &W::SetPartContentType, &W::CheckPartIndex>(kMimePartContentType),
    P::ReadWriteIndexed<&W::PartContentTypeAttr, &W::SetPartContentTypeAttr, &W::CheckPartIndex>(
        kMimePartContentTypeAttr),
    P::ReadWrite<&W::GetPartCount, &W::SetPartCount>(kMimePartCount),
    // Reading a part's body decodes it on demand.
    P::ReadWriteIndexed<&W::PartDecodedFile, &W::SetPartDecodedFile, &W::CheckPartIndex>(kMimePartDecodedFile)
        .ReadActs(),
    P::ReadWriteIndexed<&W::PartDecodedString, &W::SetPartDecodedString, &W::CheckPartIndex>(kMimePartDecodedString)
        .ReadActs(),
    P::ReadWriteIndexed<&W::PartEncoding, &W::SetPartEncoding, &W::CheckPartIndex>(kMimePartEncoding),
    P::ReadWriteIndexed<&W::PartFilename, &W::SetPartFilename, &W::CheckPartIndex>(kMimePartFilename),
    P::ReadWriteIndexed<&W::PartHeaders, &W::SetPartHeaders, &W::CheckPartIndex>(kMimePartHeaders),
    P::ReadWriteIndexed<&W::PartName, &W::SetPartName, &W::CheckPartIndex>(kMimePartName),
    P::ReadIndexed<&W::PartSize, &W::CheckPartIndex>(kMimePartSize),
};

constexpr MethodDescriptor<MimeWrapper> kMimeMethods[] = {
    M::Call<&W::DecodeFromFile>(kMimeDecodeFromFile),
    M::Call<&W::DecodeFromString>(kMimeDecodeFromString),
    M::Call<&W::EncodeToFile>(kMimeEncodeToFile),
    M::Call<&W::EncodeToString>(kMimeEncodeToString),
    M::Call<&W::ResetMessage>(kMimeReset),
};

struct MimeComponent : ComponentDefaults {
    using Engine = MimeWrapper;
    static constexpr auto& kProperties = kMimeProperties;
    static constexpr auto& kMethods = kMimeMethods;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(MIME, MimeComponent)
