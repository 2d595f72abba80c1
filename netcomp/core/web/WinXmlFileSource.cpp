#include "netcomp/core/web/WinXmlFileSource.h"

bool WinXmlFileSource::Size(uint64_t* size)
{
    const int64_t n = m_file.Size();
    if (n < 0)
        return false;
    *size = uint64_t(n);
    return true;
}
