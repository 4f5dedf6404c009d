#include "viewer/UpdateChecker.h"

#include "core/l10n/Localization.h"
#include "core/threads/JobThreadPool.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/Control.h"

#include <shellapi.h>

#include <new>
#include <utility>

namespace {

const wchar_t* const kDisableKey = L"disableUpdateChecks";
const wchar_t* const kLastDateKey = L"lastUpdateCheckDate";
const wchar_t* const kLastAnnouncementKey = L"lastUpdateAnnouncementID";

FT currentTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FT::fromFileTime(now);
}

// Keeps a job whose owner went away until its thread is done with it, then frees both.
class OrphanedJob {
public:
    static void adopt(std::unique_ptr<Job> job) {
        OrphanedJob* orphan = new (std::nothrow) OrphanedJob();
        if (!orphan || !orphan->holder_.connect(job->finished, orphan, &OrphanedJob::onFinished)) {
            // Without memory to watch it, the job is leaked rather than freed under its thread.
            delete orphan;
            job.release();
            return;
        }
        orphan->job_ = std::move(job);
    }

private:
    void onFinished() { delete this; }

    std::unique_ptr<Job> job_;
    HandlerHolder holder_;
};

} // namespace

bool storeSettingsFile(const Settings& settings, const std::wstring& path) {
    if (settings.holdsUsedValues())
        return settings.saveFile(path);
    return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

UpdateChecker::UpdateChecker(winui::Control& owner, std::wstring endpoint, Settings& settings,
                             std::wstring settingsPath)
    : owner_(owner), endpoint_(std::move(endpoint)), settings_(settings),
      settingsPath_(std::move(settingsPath)) {
    seams.showMessage = [this](const std::wstring& text, const std::wstring& caption, UINT type) {
        return owner_.showMessage(text, caption, type);
    };
    seams.openLink = [](const std::wstring& link) {
        ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    seams.makeJob = [](const std::wstring& endpoint, const std::wstring& languageCode) {
        return std::unique_ptr<UpdateCheckJob>(new (std::nothrow)
                                                   UpdateCheckJob(endpoint, languageCode));
    };
}

UpdateChecker::~UpdateChecker() {
    finishedHandler_.disconnectAll();
    if (job_)
        OrphanedJob::adopt(std::move(job_));
}

void UpdateChecker::start() {
    if (job_ || isInvalidDomainEndpoint(endpoint_))
        return;
    if (!settings_.get<bool>(kDisableKey, false)) {
        const FT last = settings_.get<FT>(kLastDateKey, FT());
        const FT now = currentTime();
        if (daysBetween(last, now) >= kUpdateCheckIntervalDays) {
            // Stored before asking, so that a check that fails counts too.
            settings_.set<FT>(kLastDateKey, now);
            std::unique_ptr<UpdateCheckJob> job =
                seams.makeJob(endpoint_, Localization::instance().currentLanguageCode());
            if (job && finishedHandler_.connect(job->finished, this, &UpdateChecker::onJobFinished)) {
                if (startJob(job.get())) {
                    job_ = std::move(job);
                    return;
                }
                finishedHandler_.disconnectAll();
            }
        }
    }
    storeSettingsFile(settings_, settingsPath_);
}

void UpdateChecker::onJobFinished() {
    if (!job_)
        return;
    const std::unique_ptr<UpdateCheckJob> job = std::move(job_);
    finishedHandler_.disconnectAll();
    UpdateReply reply = job->reply();
    bool show = false;
    if (reply.wellFormed) {
        const std::wstring stored = settings_.get<std::wstring>(kLastAnnouncementKey, L"");
        if (isUnseenAnnouncement(stored, reply.announcementId)) {
            // Stored before the box shows, so that it is never shown twice.
            settings_.set<std::wstring>(kLastAnnouncementKey, reply.announcementId);
            show = true;
        }
    }
    storeSettingsFile(settings_, settingsPath_);
    if (show)
        showAnnouncement(reply);
}

void UpdateChecker::showAnnouncement(const UpdateReply& reply) {
    if (reply.newVersionInfo.empty() || reply.moreInfoUrl.empty())
        return;
    Localization& texts = Localization::instance();
    const std::wstring caption = texts.getString(L"UpdateChecker");
    if (!isWebLink(reply.moreInfoUrl)) {
        // A link that is not a web address is never offered: the text alone is shown.
        seams.showMessage(shownAnnouncement(reply.newVersionInfo), caption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::wstring text =
        shownAnnouncement(reply.newVersionInfo) + L" " + texts.getString(L"VersionLearnMore");
    // The box runs its own message loop: keep what is needed afterwards out of this object.
    const auto openLink = seams.openLink;
    const std::wstring link = trim(reply.moreInfoUrl);
    if (seams.showMessage(text, caption, MB_YESNO | MB_ICONINFORMATION) == IDYES)
        openLink(link);
}
