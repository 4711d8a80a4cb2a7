#include "app/qt/Application.h"

#include "app/qt/MainWindow.h"
#include "browser/Workspace.h"
#include "browser/qt/DesktopFileTypes.h"
#include "browser/qt/dialogs/LoginPromptDialog.h"
#include "platform/Profile.h"
#include "queue/TransferQueue.h"
#include "queue/qt/QueueList.h"
#include "queue/qt/QueueModel.h"
#include "settings/SettingsRecord.h"

namespace varnix {

Application::Application(Profile& profile) : profile_(profile)
{
    setAppProfile(&profile_);
    SettingsRecord::global().load(profile_);
    setFileTypeProvider(&DesktopFileTypes::instance());
    workspace_ = std::make_unique<Workspace>(profile_);
    frame_ = std::make_unique<MainWindow>(*workspace_);
    loginPrompt_ = std::make_unique<DialogLoginPrompt>([this] { return frame_.get(); });
    queue_ = std::make_unique<TransferQueue>(frame_->queueList().rows(), *workspace_, loginPrompt_.get());
    workspace_->setQueue(queue_.get());
}

// The queue goes while the rows it shows still stand. The file-type teller
// stays: a session may still be reading a listing.
Application::~Application()
{
    workspace_->setQueue(nullptr);
    queue_.reset();
    frame_.reset();
    SettingsRecord::global().save(profile_);
    workspace_.reset();
    profile_.flush();
    setAppProfile(nullptr);
}

} // namespace varnix
