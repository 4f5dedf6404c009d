#pragma once

#include "core/events/HandlerHolder.h"
#include "core/settings/Settings.h"
#include "viewer/UpdateCheckJob.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace winui {
class Control;
}

// Writes the settings file by the program's exit rule: saved when the tree holds a typed value
// or a child node, deleted otherwise. False when the file could not be written or deleted.
bool storeSettingsFile(const Settings& settings, const std::wstring& path);

// The main window's update check: at most one per start, and only when the last one is a week
// old. Everything that touches the settings tree runs here on the GUI thread; the job only asks
// the endpoint and parses the reply.
class UpdateChecker {
public:
    // The message box, the opening of a link and the making of the job, replaceable by tests.
    struct Seams {
        std::function<int(const std::wstring& text, const std::wstring& caption, UINT type)>
            showMessage;
        std::function<void(const std::wstring& link)> openLink;
        std::function<std::unique_ptr<UpdateCheckJob>(const std::wstring& endpoint,
                                                      const std::wstring& languageCode)>
            makeJob;
    };

    // owner: the window that owns the announcement box. settingsPath: where the settings file
    // is written once the check is done.
    UpdateChecker(winui::Control& owner, std::wstring endpoint, Settings& settings,
                  std::wstring settingsPath);
    // A job that still runs is not freed here (its thread uses it): it is left to free itself
    // when it ends, and nothing is shown then.
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // Decides whether a check is due and starts it; otherwise only writes the settings file.
    // Does nothing while a check runs, nor for an endpoint under ".invalid" (a build without an
    // endpoint of its own).
    void start();
    bool isRunning() const { return job_ != nullptr; }

    Seams seams;

private:
    void onJobFinished();
    void showAnnouncement(const UpdateReply& reply);

    winui::Control& owner_;
    const std::wstring endpoint_;
    Settings& settings_;
    const std::wstring settingsPath_;
    std::unique_ptr<UpdateCheckJob> job_;
    HandlerHolder finishedHandler_;
};
