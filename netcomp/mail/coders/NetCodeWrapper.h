#pragma once
// The NetCode component's engine object: the NetCode engine on the component
// base, with the accessors its tables name, the MaxFileSize Config key and the
// Progress event.
#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/mail/coders/NetCodeEngine.h"

class NetCodeWrapper final : public ComponentBase, private NetCodeProgressSink {
public:
    NetCodeWrapper();

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    ByteView DecodedData() { return View(m_code.DecodedData()); }
    [[nodiscard]] int SetDecodedData(const char* data, int length)
    {
        return Assign(m_code.DecodedData(), data, length);
    }
    ByteView EncodedData() { return View(m_code.EncodedData()); }
    [[nodiscard]] int SetEncodedData(const char* data, int length)
    {
        return Assign(m_code.EncodedData(), data, length);
    }
    int FileCount() const { return m_code.FileCount(); }
    const char* GetFileName() { return m_code.FileName().CStr(); }
    [[nodiscard]] int SetFileName(const char* text);
    int GetFormat() const { return m_code.Format(); }
    void SetFormat(int format) { m_code.SetFormat(format); }
    bool GetUseEncodedName() const { return m_code.UseEncodedName(); }
    void SetUseEncodedName(bool on) { m_code.SetUseEncodedName(on); }
    const char* GetFileMode() const { return m_code.FileMode().CStr(); }
    [[nodiscard]] int SetFileMode(const char* text) { return m_code.SetFileMode(text); }
    bool GetOverwrite() const { return m_code.Overwrite(); }
    void SetOverwrite(bool on) { m_code.SetOverwrite(on); }
    int GetProgressStep() const { return m_code.ProgressStep(); }
    void SetProgressStep(int step) { m_code.SetProgressStep(step); }

    [[nodiscard]] int DecodeFile() { return RunAction(kNetCodeRunDecodeFile); }
    [[nodiscard]] int DecodeString() { return RunAction(kNetCodeRunDecodeString); }
    [[nodiscard]] int EncodeFile() { return RunAction(kNetCodeRunEncodeFile); }
    [[nodiscard]] int EncodeString() { return RunAction(kNetCodeRunEncodeString); }

private:
    void OnNetCodeProgress(int percent) override;
    [[nodiscard]] int RunAction(int action);
    static ByteView View(const NetStringBase& s) { return {s.Data(), int(s.Length())}; }
    [[nodiscard]] static int Assign(NetStringBase& target, const char* data, int length);

    NetCodeEngine m_code;
};
