#include "viewer/UpdateCheckJob.h"

#include "core/http/HttpRequest.h"

#include <new>
#include <utility>

UpdateCheckJob::UpdateCheckJob(std::wstring endpoint, std::wstring languageCode)
    : endpoint_(std::move(endpoint)), languageCode_(std::move(languageCode)) {}

void UpdateCheckJob::run() {
    try {
        HttpRequest request;
        request.setBaseUrl(endpoint_ + kUpdateInfoPath);
        if (!request.addParameter(L"cv", kProgramVersion) ||
            !request.addParameter(L"lang", languageCode_) || !request.perform())
            return;
        answered_ = true;
        reply_ = parseUpdateReply(request.responseText());
    } catch (const std::bad_alloc&) {
        reply_ = UpdateReply();
    }
}
