// The "About Kestrova" box: the program's version from its own version
// resource, the maker's notice and links to the maker's and the product's
// web sites.
#pragma once

#include "app/HyperLinkStatic.h"
#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"

#include <string>

class AboutDlg : public Dialog {
public:
    AboutDlg();

    static const char kMakerAddress[];
    static const char kProductAddress[];

protected:
    bool OnInitDialog() override;

private:
    HyperLinkStatic m_makerLink;
    HyperLinkStatic m_productLink;
    OwnerDrawButton m_productButton;
};
