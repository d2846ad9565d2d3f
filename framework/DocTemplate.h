#pragma once
// The single-document template: one document, one frame and one view, made on
// first use and reused for every new or opened document after that.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace framework {

class Document;
class FrameWindow;
class View;

class SingleDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<Document>()>;
    using FrameFactory = std::function<std::unique_ptr<FrameWindow>()>;
    using ViewFactory = std::function<std::unique_ptr<View>()>;

    // templateString: "\n"-separated fields, the first the window title.
    SingleDocTemplate(int resourceId, std::string templateString, DocumentFactory makeDocument, FrameFactory makeFrame,
                      ViewFactory makeView);
    ~SingleDocTemplate();

    enum DocString { WindowTitle, DocName, FileNewName, FilterName, FilterExt, RegFileTypeId, RegFileTypeName };
    std::string GetDocString(DocString index) const;
    int ResourceId() const { return resourceId_; }

    // New: the document's OnNewDocument, then the view's OnInitialUpdate.
    // Open (path given): OnOpenDocument(path), SetPathName(path) only when it
    // succeeded, then OnInitialUpdate. Null when the document refused; a
    // frame made for this call is destroyed again with the document.
    Document* OpenDocumentFile(const std::string* path);

    // Destroys the view and the document; the frame, already closed, stays
    // until the template goes.
    void CloseAllDocuments();

    Document* GetDocument() const { return document_.get(); }
    FrameWindow* GetFrame() const { return frame_.get(); }

private:
    bool CreateFrame();
    void DestroyAll();

    int resourceId_;
    std::vector<std::string> strings_;
    DocumentFactory makeDocument_;
    FrameFactory makeFrame_;
    ViewFactory makeView_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<FrameWindow> frame_;
    std::unique_ptr<View> view_;
};

}  // namespace framework
