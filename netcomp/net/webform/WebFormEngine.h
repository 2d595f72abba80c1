#pragma once
// The web form engine: the form variables posted as an url-encoded body, as
// a multipart/form-data body built in memory, or sent as the query of a GET.
#include <cstdint>

#include "netcomp/net/webform/FormPostClient.h"

class WebFormEngine : public FormPostClient {
public:
    WebFormEngine();

    int Encoding() const { return m_encoding; }
    // Also sets the content type the encoding calls for.
    [[nodiscard]] int SetEncoding(int encoding);

protected:
    [[nodiscard]] int BuildAndSend() override;
    [[nodiscard]] int ResetSettings() override;

private:
    [[nodiscard]] int PostUrlEncoded();
    [[nodiscard]] int PostMultipart();
    [[nodiscard]] int GetWithQuery();

    uint8_t m_encoding = 0;
};
