#pragma once
// The running test program's file name without ".exe" (test-temp-folder.cpp,
// linked into every Windows test program): what a test program keeps apart
// from the others that run beside it is named after it.
#include <string>

std::string TestProgramName();
