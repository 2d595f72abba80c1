// The drive step of the Win32/registry engine: a storage device for every
// removable, fixed, network and CD-ROM drive letter, and a logical drive for
// each of them whose volume answers.
#pragma once

#include "asset/AssetComputerImpl.h"
#include "audit/DriveQueries.h"

#include <functional>

class DriveAudit {
public:
    // endStep runs after every letter, A to Z; it may throw to stop the scan
    // (a cancelled audit), leaving the drives found so far recorded.
    static void Run(AssetIMPL::AssetComputerImpl& computer, DriveQueries& queries,
                    const std::function<void()>& endStep);

    // The storage-device type name of a GetDriveTypeA code; null for drives
    // that are not recorded.
    static const char* StorageTypeName(unsigned driveType);
};
