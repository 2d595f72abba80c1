#include "netcomp/mail/coders/NetCodeWrapper.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/CoderFileStream.h"
#include "netcomp/include/netcomp_netcode.h"

NetCodeWrapper::NetCodeWrapper()
{
    m_code.SetProgressSink(this);
}

void NetCodeWrapper::OnNetCodeProgress(int percent)
{
    Fire(kNetCodeEventProgress, {EventParam::Int(&percent)});
}

int NetCodeWrapper::Config(const ConfigArg& arg, const char** answer)
{
    if (!arg.KeyIs("MaxFileSize"))
        return ComponentBase::Config(arg, answer);
    if (arg.query)
        return AnswerInt(m_code.MaxFileSize(), answer);
    return SetConfigInt(
        arg,
        [&](int size) {
            m_code.SetMaxFileSize(size);
            return 0;
        },
        0);
}

int NetCodeWrapper::RunAction(int action)
{
    SetLastErrorText("");
    const int rc = m_code.Run(action);
    if (rc != 0)
        SetLastErrorText(m_code.LastErrorText());
    return rc;
}

// The name goes into UUencode and yEnc headers and may name the output: one
// longer than a file name can be is refused.
int NetCodeWrapper::SetFileName(const char* text)
{
    if (text && std::strlen(text) > CoderFileStream::kMaxName) {
        SetLastErrorText(CoderErrorText(kCoderBadFileName));
        return kCoderBadFileName;
    }
    return Assign(m_code.FileName(), text, 0);
}

// Bytes with a length; a length of 0 with data takes the data as a text.
int NetCodeWrapper::Assign(NetStringBase& target, const char* data, int length)
{
    if (!data)
        length = 0;
    else if (length <= 0)
        length = int(std::strlen(data));
    return target.Assign(uint32_t(length), data);
}
