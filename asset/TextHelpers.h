// The text helpers moved to common/, below the asset model; this name stays
// for code written against the old place.
#pragma once

#include "common/TextHelpers.h"
