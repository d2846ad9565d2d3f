#include "framework/DocTemplate.h"

#include "framework/Document.h"
#include "framework/FrameWindow.h"
#include "framework/View.h"

namespace framework {

SingleDocTemplate::SingleDocTemplate(int resourceId, std::string templateString, DocumentFactory makeDocument,
                                     FrameFactory makeFrame, ViewFactory makeView)
    : resourceId_(resourceId),
      makeDocument_(std::move(makeDocument)),
      makeFrame_(std::move(makeFrame)),
      makeView_(std::move(makeView)) {
    std::string::size_type start = 0;
    while (true) {
        auto end = templateString.find('\n', start);
        strings_.push_back(templateString.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

SingleDocTemplate::~SingleDocTemplate() { DestroyAll(); }

std::string SingleDocTemplate::GetDocString(DocString index) const {
    auto i = static_cast<std::size_t>(index);
    return i < strings_.size() ? strings_[i] : std::string();
}

bool SingleDocTemplate::CreateFrame() {
    frame_ = makeFrame_();
    if (!frame_) return false;
    frame_->SetBaseTitle(GetDocString(WindowTitle));
    if (!frame_->LoadFrame()) return false;
    view_ = makeView_();
    if (!view_ || !view_->Create(frame_.get())) return false;
    document_->AddView(view_.get());
    frame_->SetActiveView(view_.get());
    FrameWindow* frame = frame_.get();
    document_->SetTitleListener([frame](const std::string& title) { frame->OnUpdateFrameTitle(title); });
    frame_->OnUpdateFrameTitle(document_->GetTitle());
    // The native window is made now, while the document may still wait for
    // its file, rather than after it, when showing the frame would.
    frame_->winId();
    return true;
}

Document* SingleDocTemplate::OpenDocumentFile(const std::string* path) {
    bool frameCreated = false;
    if (!document_) {
        document_ = makeDocument_();
        if (!document_) return nullptr;
    }
    if (!frame_) {
        frameCreated = true;
        if (!CreateFrame()) {
            DestroyAll();
            return nullptr;
        }
    }
    bool ok = path ? document_->OnOpenDocument(*path) : document_->OnNewDocument();
    if (!ok) {
        // A frame made for this call goes again, and the document with it;
        // an existing document was not touched and stays.
        if (frameCreated) DestroyAll();
        return nullptr;
    }
    if (path) document_->SetPathName(*path);
    if (view_) view_->OnInitialUpdate();
    return document_.get();
}

void SingleDocTemplate::CloseAllDocuments() {
    if (frame_) frame_->SetActiveView(nullptr);
    if (document_) document_->SetTitleListener(nullptr);
    view_.reset();
    document_.reset();
}

void SingleDocTemplate::DestroyAll() {
    CloseAllDocuments();
    if (frame_) {
        frame_->hide();
        frame_.reset();
    }
}

}  // namespace framework
