#include "netcomp/net/webform/WebUploadEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/FileHandle.h"
#include "netcomp/include/netcomp_webupload.h"
#include "netcomp/net/webform/FormEncoding.h"

namespace {

constexpr EventTable kWebUploadEvents = {
    {SharedEvent::Connected, kWebUploadEventConnected},
    {SharedEvent::ConnectionStatus, kWebUploadEventConnectionStatus},
    {SharedEvent::Disconnected, kWebUploadEventDisconnected},
    {SharedEvent::EndTransfer, kWebUploadEventEndTransfer},
    {SharedEvent::Error, kWebUploadEventError},
    {SharedEvent::Header, kWebUploadEventHeader},
    {SharedEvent::Redirect, kWebUploadEventRedirect},
    {SharedEvent::SetCookie, kWebUploadEventSetCookie},
    {SharedEvent::StartTransfer, kWebUploadEventStartTransfer},
    {SharedEvent::Status, kWebUploadEventStatus},
    {SharedEvent::Transfer, kWebUploadEventTransfer},
};

const char kBadFileText[] = "Invalid file index (out of range).";
// Boundaries of upload bodies start so, as browsers' do.
const char kBoundaryPrefix[] = "---------------------------boundary";

// A new empty file in the system's temporary folder; false when none can be made.
bool MakeTempFile(char (&name)[MAX_PATH])
{
    char folder[MAX_PATH];
    const DWORD n = GetTempPathA(130, folder);
    return n > 0 && n < 130 && GetTempFileNameA(folder, "wup", 0, name) != 0;
}

} // namespace

WebUploadEngine::WebUploadEngine()
{
    SetEventTable(kWebUploadEvents);
}

int WebUploadEngine::SetFileCount(int n)
{
    int rc = CheckCount(n, FileCount(), kBadFileIndex, kBadFileText);
    if (rc == kResultOk)
        rc = m_fileVariables.SetCount(uint32_t(n));
    return rc == kResultOk ? m_files.SetCount(uint32_t(n)) : rc;
}

int WebUploadEngine::CheckFileIndex(int i)
{
    if (i >= 1 && i <= FileCount())
        return kResultOk;
    SetLastErrorText(kBadFileText);
    return kBadFileIndex;
}

int WebUploadEngine::AddFile(const char* variable, const char* path)
{
    int rc = m_fileVariables.Add(variable ? variable : "");
    if (rc == kResultOk)
        rc = m_files.Add(path ? path : "");
    return rc;
}

int WebUploadEngine::ResetSettings()
{
    m_names.Clear();
    m_values.Clear();
    m_fileVariables.Clear();
    m_files.Clear();
    return DoAction(kHttpReset);
}

int WebUploadEngine::BuildAndSend()
{
    char file[MAX_PATH];
    if (!MakeTempFile(file)) {
        SetLastErrorText("Can't create temp file.");
        return kNoTempFile;
    }
    int rc = EncodeBody(file);
    if (rc == kResultOk)
        rc = SendBodyFile(file);
    DeleteFileA(file);
    return rc;
}

// The variables' parts, then one part per file, written as a multipart body
// into the file.
int WebUploadEngine::EncodeBody(const char* file)
{
    int rc = MimeFailure(m_mime.Run(kMimeRunReset));
    if (rc == kResultOk)
        rc = MimeFailure(m_mime.SetBoundaryPrefix(kBoundaryPrefix));
    if (rc == kResultOk)
        rc = SetVariableParts(FileCount());
    for (int j = 0; j < FileCount() && rc == kResultOk; ++j)
        rc = MimeFailure(
            SetFormFilePart(m_mime, FormVarCount() + j, m_fileVariables.Item(uint32_t(j)), m_files.Item(uint32_t(j))));
    m_mime.SetAlwaysMultipart(true);
    if (rc == kResultOk)
        rc = MimeFailure(m_mime.Message().AssignText(file));
    if (rc == kResultOk)
        rc = MimeFailure(m_mime.Run(kMimeRunEncodeFile));
    m_mime.Message().Clear();
    return rc;
}

int WebUploadEngine::SendBodyFile(const char* file)
{
    FileHandle body;
    if (body.OpenRead(file, 0) != 0) {
        SetLastErrorText("Can't create temp file.");
        return kNoTempFile;
    }
    m_bodySize = body.Size();
    body.Close();
    NetString type;
    int rc = AppendAll(type, {"multipart/form-data; boundary=", m_mime.Boundary().CStr()});
    if (rc == kResultOk)
        rc = SetContentType(type.CStr());
    if (rc == kResultOk)
        rc = SetAttachedFile(file);
    m_percent = -1;
    if (rc == kResultOk)
        rc = DoAction(kHttpPost);
    (void)SetAttachedFile("");
    return rc;
}

void WebUploadEngine::FireUploadProgress(int percent)
{
    if (percent == m_percent)
        return;
    m_percent = percent;
    Fire(kWebUploadEventUploadProgress, {EventParam::Int(&percent)});
}

int WebUploadEngine::FireStartTransfer(int direction)
{
    if (direction == 0)
        FireUploadProgress(0);
    return FormPostClient::FireStartTransfer(direction);
}

int WebUploadEngine::OnUploadProgress(int64_t sent)
{
    FireUploadProgress(UploadPercent(sent, m_bodySize));
    return FormPostClient::OnUploadProgress(sent);
}

int WebUploadEngine::FireEndTransfer(int direction)
{
    if (direction == 0)
        FireUploadProgress(100);
    return FormPostClient::FireEndTransfer(direction);
}
