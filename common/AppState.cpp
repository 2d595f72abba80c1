#include "common/AppState.h"

namespace {
AppState g_appState;
}

AppState& GetAppState()
{
    return g_appState;
}
