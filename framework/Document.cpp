#include "framework/Document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "framework/Application.h"
#include "framework/FrameworkTexts.h"
#include "framework/MessageBox.h"
#include "framework/View.h"

namespace framework {

Document::Document() : title_(GetFrameworkTexts().untitled) {}

Document::~Document() {
    for (View* view : views_) view->document_ = nullptr;
}

bool Document::OnNewDocument() {
    pathName_.clear();
    SetTitle(GetFrameworkTexts().untitled);
    return true;
}

bool IsReadableFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return ok;
}

bool Document::OnOpenDocument(const std::string& path) {
    const bool ok = IsReadableFile(path);
    if (!ok) AfxMessageBox(GetFrameworkTexts().fileOpenFailed);
    return ok;
}

void Document::SetPathName(const std::string& path, bool addToRecentFiles) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    pathName_ = ec ? path : full.lexically_normal().string();
    std::string name = std::filesystem::path(pathName_).filename().string();
    SetTitle(name.empty() ? pathName_ : name);
    if (addToRecentFiles) {
        if (Application* app = AfxGetApp()) app->AddToRecentFileList(pathName_);
    }
}

void Document::SetTitle(const std::string& title) {
    title_ = title;
    if (titleListener_) titleListener_(title_);
}

void Document::UpdateAllViews(View* sender) {
    for (View* view : views_) {
        if (view != sender) view->OnUpdate(sender);
    }
}

void Document::AddView(View* view) {
    if (!view || std::find(views_.begin(), views_.end(), view) != views_.end()) return;
    views_.push_back(view);
    view->document_ = this;
}

void Document::RemoveView(View* view) {
    auto it = std::find(views_.begin(), views_.end(), view);
    if (it == views_.end()) return;
    views_.erase(it);
    view->document_ = nullptr;
}

void Document::SetTitleListener(std::function<void(const std::string&)> listener) {
    titleListener_ = std::move(listener);
}

}  // namespace framework
