// The modeless busy window shown during long calls on the main thread: a
// topmost popup with a status text and a picture. Enter or Esc closes it;
// the object then deletes itself and clears its owner's pointer to it, so
// the owner never keeps a dangling pointer.
#pragma once

#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"

#include <string>

class WaitDlg : public Dialog {
public:
    // ownerSlot: the owner's pointer to this object, cleared when it goes.
    explicit WaitDlg(WaitDlg** ownerSlot);

    // Shows text at once and pauses so it can be read before the caller
    // blocks.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_status; }

    static int s_readingPauseMs;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void OnOK() override { DestroyWindow(); }
    void OnCancel() override { DestroyWindow(); }
    void PostNcDestroy() override;

private:
    WaitDlg** m_ownerSlot;
    std::string m_status = "Retrieving User Information...";
    OwnerDrawButton m_picture;
};
