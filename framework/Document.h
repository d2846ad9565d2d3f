#pragma once
// The framework's document: a path name, a title, and the views showing it.
// It is never modified, so replacing or closing it never asks to save.

#include <functional>
#include <string>
#include <vector>

#include "framework/CommandTarget.h"

namespace framework {

class View;

// True when path opens for reading as a regular file. The open never blocks,
// so a FIFO cannot hang it.
bool IsReadableFile(const std::string& path);

class Document : public CommandTarget {
public:
    Document();
    ~Document() override;

    // A new, empty document: clears the path name and so the title.
    virtual bool OnNewDocument();
    // Opens path for reading and closes it again: there is nothing of the
    // document's own to read. When it cannot be opened (missing, unreadable,
    // not a regular file) shows the framework's failure message and returns
    // false.
    virtual bool OnOpenDocument(const std::string& path);

    // Sets the path name (made absolute) and the title (the file's name);
    // with addToRecentFiles the path goes to the application's recent files.
    virtual void SetPathName(const std::string& path, bool addToRecentFiles = true);
    const std::string& GetPathName() const { return pathName_; }
    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& title);

    // Every view except sender repaints all of itself.
    void UpdateAllViews(View* sender);
    void AddView(View* view);
    void RemoveView(View* view);

    // Called with the new title; the frame shows it.
    void SetTitleListener(std::function<void(const std::string&)> listener);

private:
    std::string pathName_;
    std::string title_;
    std::vector<View*> views_;
    std::function<void(const std::string&)> titleListener_;
};

}  // namespace framework
