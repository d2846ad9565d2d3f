#include "image/ImageFilter.h"

#include "platform/PostedMessage.h"

namespace {
// Registered at program load, before any window exists.
const unsigned kProgressMessage = platform::RegisterWindowMessage("ImageFilterProgress");
const unsigned kSetStringMessage = platform::RegisterWindowMessage("ImageFilterSetString");
}  // namespace

std::atomic<bool> ImageFilter::cancel_requested{false};

unsigned ImageFilter::progress_message() { return kProgressMessage; }
unsigned ImageFilter::set_string_message() { return kSetStringMessage; }

ImageFilter::ImageFilter() { cancel_requested = false; }

ImageFilter::~ImageFilter() = default;

void ImageFilter::set_notify_window(platform::MessageWindow* window) { notifyWindow_ = window; }

void ImageFilter::post_caption(const char* caption) const {
    if (notifyWindow_)
        platform::PostMessage(notifyWindow_, kSetStringMessage, 0, reinterpret_cast<std::intptr_t>(caption));
}

void ImageFilter::post_progress(int percent) const {
    if (notifyWindow_) platform::PostMessage(notifyWindow_, kProgressMessage, static_cast<std::uintptr_t>(percent), 0);
}

bool ImageFilter::take_cancel() { return cancel_requested.exchange(false); }
