// The form of the main window. For now an empty form: the fields, lookups
// and Local Audit come with their own dialog template.
#pragma once

#include "winui/View.h"

class CKestrovaView : public View {
public:
    CKestrovaView() : View(0) {}
};
