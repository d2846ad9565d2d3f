#pragma once
// The base of every image operation. An operation is made for one run: it
// reads images from an input range and appends the images it makes to an
// output list, whose owner takes them over. A long operation reports its
// caption and progress to a notification window, posted without waiting,
// and stops between steps when cancel_requested is set.

#include <atomic>
#include <memory>
#include <vector>

class Image;

namespace platform {
class MessageWindow;
}

class ImageFilter {
public:
    using ImageList = std::vector<Image*>;                     // inputs, not owned
    using ImageResults = std::vector<std::unique_ptr<Image>>;  // results, owned by the caller

    // One flag for the whole process and every operation. Constructing an
    // operation clears it; an operation clears it when it stops on it.
    static std::atomic<bool> cancel_requested;

    // The ids of the two notifications, registered once at program load.
    static unsigned progress_message();    // "ImageFilterProgress": wParam percent 0..99
    static unsigned set_string_message();  // "ImageFilterSetString": lParam the caption's address

    ImageFilter();
    virtual ~ImageFilter();
    ImageFilter(const ImageFilter&) = delete;
    ImageFilter& operator=(const ImageFilter&) = delete;

    // Later notifications go to window; null switches them off.
    virtual void set_notify_window(platform::MessageWindow* window);

    // Runs the operation on [first, last) and appends its results to out.
    // True when it completed; false when it was cancelled, with nothing
    // appended. Errors leave as exceptions of the myexception family, with
    // every unfinished result destroyed.
    virtual bool execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) = 0;

protected:
    // Posts the caption (a string that lives as long as the program).
    void post_caption(const char* caption) const;
    void post_progress(int percent) const;
    // True, and the flag cleared, when a cancel was requested.
    static bool take_cancel();

private:
    platform::MessageWindow* notifyWindow_ = nullptr;
};
