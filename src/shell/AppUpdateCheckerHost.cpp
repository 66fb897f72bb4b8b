#include "shell/AppUpdateChecker.h"

// The build names the host (QM_UPDATE_HOST in CMakeLists.txt).
#ifndef QM_UPDATE_HOST
#define QM_UPDATE_HOST "updates.quillmarker.app"
#endif

namespace qm {

std::string_view AppUpdateChecker::updateHost()
{
    return QM_UPDATE_HOST;
}

std::string_view AppUpdateChecker::manifestURLString()
{
    static const std::string address = std::string("https://") + QM_UPDATE_HOST + "/update.json";
    return address;
}

}  // namespace qm
