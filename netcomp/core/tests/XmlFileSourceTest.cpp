// XML files read through the Windows file seam: NUL bytes skipped but
// counted, a file held open for writing by another handle still readable,
// and the failures' codes and texts.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "netcomp/core/web/WinXmlFileSource.h"
#include "netcomp/core/web/XmlParser.h"

namespace {

TEST(XmlFileSource, ReadsSharedFilesInBlocks)
{
    const char* name = "xml_source_test.xml";
    std::string doc = "<r>";
    for (int i = 0; i < 600; ++i)
        doc += "<i>" + std::to_string(i) + std::string(1, '\0') + "</i>";
    doc += "</r>";
    HANDLE writer = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer, doc.data(), DWORD(doc.size()), &written, nullptr));

    XmlParser parser;
    parser.SetBuildDom(true);
    WinXmlFileSource file;
    const char* error = nullptr;
    EXPECT_EQ(ParseXmlFile(parser, file, name, &error), 0);
    CloseHandle(writer);
    EXPECT_EQ(parser.Column(), doc.size());
    ASSERT_EQ(parser.SetXPath("/r/[600]"), 0);
    EXPECT_STREQ(parser.Dom().ElementText(), "599");

    parser.Reset();
    EXPECT_EQ(ParseXmlFile(parser, file, "no such file.xml", &error), 302);
    EXPECT_STREQ(error, "Can't open file for reading.");
    parser.Reset();
    EXPECT_EQ(ParseXmlFile(parser, file, "", &error), 302);
    DeleteFileA(name);
}

} // namespace
