#pragma once
// The web upload engine: form variables and files posted as a
// multipart/form-data body. The MIME engine writes the body into a temporary
// file, which the HTTP client then sends block by block, so memory does not
// grow with the files; the UploadProgress event follows the sending.
#include <cstdint>

#include "netcomp/net/webform/FormPostClient.h"

class WebUploadEngine : public FormPostClient {
public:
    static constexpr int kBadFileIndex = 158;
    static constexpr int kNoTempFile = 160;

    WebUploadEngine();

    int FileCount() const { return int(m_files.Count()); }
    [[nodiscard]] int SetFileCount(int n);
    [[nodiscard]] int CheckFileIndex(int i);
    const char* FilePath(int i) const { return m_files.Item(uint32_t(i - 1)); }
    const char* FileVariable(int i) const { return m_fileVariables.Item(uint32_t(i - 1)); }
    [[nodiscard]] int SetFilePath(int i, const char* t) { return m_files.SetItem(uint32_t(i - 1), t ? t : ""); }
    [[nodiscard]] int SetFileVariable(int i, const char* t)
    {
        return m_fileVariables.SetItem(uint32_t(i - 1), t ? t : "");
    }
    [[nodiscard]] int AddFile(const char* variable, const char* path);

protected:
    [[nodiscard]] int BuildAndSend() override;
    [[nodiscard]] int ResetSettings() override;
    int FireStartTransfer(int direction) override;
    int FireEndTransfer(int direction) override;
    int OnUploadProgress(int64_t sent) override;

private:
    [[nodiscard]] int EncodeBody(const char* file);
    [[nodiscard]] int SendBodyFile(const char* file);
    void FireUploadProgress(int percent);

    StringList m_fileVariables;
    StringList m_files;
    int64_t m_bodySize = 0;
    int m_percent = -1; // the last percent told
};
