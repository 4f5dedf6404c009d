#pragma once

#include "core/threads/Job.h"
#include "viewer/UpdateCheck.h"

#include <string>

// Asks the update endpoint for news on a pool thread. It touches only its own fields: the
// settings tree and the localisation stay with the GUI thread, which decides beforehand whether
// to ask and afterwards whether to show the reply (UpdateChecker).
class UpdateCheckJob : public Job {
public:
    // endpoint: scheme, host and port, e.g. "http://127.0.0.1:8080"; languageCode: the
    // interface language's code, possibly empty.
    UpdateCheckJob(std::wstring endpoint, std::wstring languageCode);

    void run() override;

    // Read on the GUI thread once finished has fired.
    bool answered() const { return answered_; }
    const UpdateReply& reply() const { return reply_; }

private:
    const std::wstring endpoint_;
    const std::wstring languageCode_;
    bool answered_ = false;
    UpdateReply reply_;
};

// The endpoint this build asks (the build setting VARNEL_UPDATE_URL).
const wchar_t* updateEndpoint();
