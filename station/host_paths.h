// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the station looks at the host: the sysfs tree that names the
// meters' USB ports and the folder of the meters' locks. The system's
// unless the environment says otherwise, which is how tests and the demo
// give it a tree and a folder of their own:
//   QUORVANE_SYSFS_ROOT   instead of /sys
//   QUORVANE_LOCK_DIR     instead of /run/lock/quorvane
#include <filesystem>

namespace station {

struct HostPaths {
    std::filesystem::path sysfsRoot;
    std::filesystem::path lockFolder;
};

HostPaths HostPathsFromEnvironment();

}  // namespace station
