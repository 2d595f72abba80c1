#pragma once
// HTMLMailer: an HTML mail with its images and style sheets as parts of a
// multipart/related body, the HTML's references to them rewritten to "cid:"
// addresses, and a plain-text alternative beside the HTML. Only files that
// the HTML names relative to its own folder are mailed, or files that the
// caller names through ImageFile.
#include <cstdint>
#include <vector>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/mail/filemailer/FileMailerEngine.h"

constexpr int kHtmlMailerBadImageIndex = 169;
constexpr int kHtmlMailerMaxImages = 128;

class HtmlMailerEngine : public FileMailerEngine {
public:
    HtmlMailerEngine();
    ~HtmlMailerEngine() override;

    const char* GetHtmlFile() const { return m_htmlFile.CStr(); }
    [[nodiscard]] int SetHtmlFile(const char* path);
    const char* GetMessageHtml() const { return m_sentHtml.CStr(); }
    [[nodiscard]] int SetMessageHtml(const char* html);
    const char* GetPlainText() const { return m_plainText.CStr(); }
    [[nodiscard]] int SetPlainText(const char* text);
    bool GetParseHtml() const { return m_parse; }
    [[nodiscard]] int SetParseHtml(bool on);

    int ImageCount() const { return int(m_images.size()); }
    [[nodiscard]] int SetImageCount(int count);
    [[nodiscard]] int CheckImageIndex(int index);
    ByteView ImageData(int index) const;
    [[nodiscard]] int SetImageData(int index, const char* data, int length);
    const char* ImageFile(int index) const;
    [[nodiscard]] int SetImageFile(int index, const char* path);
    const char* ImageType(int index) const;
    [[nodiscard]] int SetImageType(int index, const char* type);

    // A Set of any property while a send runs is refused.
    [[nodiscard]] int RefuseWhileSending();

protected:
    [[nodiscard]] int PrepareMessage() override;
    void AfterSend() override;

private:
    struct Image {
        NetString file;
        NetString data;
        NetString type;
        NetString contentId;
    };
    struct Linked {
        NetString file;
        NetString contentId;
    };

    [[nodiscard]] int Scan();
    [[nodiscard]] int ReadHtmlFile(NetStringBase& out);
    // The path of a file the HTML names relative to its folder.
    [[nodiscard]] int ResolvePath(const char* value, NetStringBase& out) const;
    static bool AcceptFile(void* self, const char* value, bool image);
    [[nodiscard]] int BuildAlternative(MimeEngine& mime);
    [[nodiscard]] int BuildRelated(MimeEngine& mime, const NetString& alternativeBody,
                                   const NetString& alternativeHeaders);
    Image* ImageAt(int index);
    const Image* ImageAt(int index) const;

    NetString m_htmlFile;
    NetString m_html;      // MessageHTML as the caller set it
    NetString m_sentHtml;  // the HTML as it goes, references rewritten
    NetString m_plainText; // the alternative
    std::vector<Image> m_images;
    std::vector<Linked> m_linked;
    MimeEngine m_alternative;
    MimeEngine m_related;
    bool m_parse = true;
};
