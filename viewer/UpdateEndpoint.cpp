#include "viewer/UpdateCheckJob.h"

// The build defines VARNEL_UPDATE_URL for this file alone (viewer/CMakeLists.txt).
const wchar_t* updateEndpoint() {
    return L"" VARNEL_UPDATE_URL;
}
