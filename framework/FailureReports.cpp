#include "framework/FailureReports.h"

#include <algorithm>
#include <utility>

namespace framework {

bool FailureReports::Failed(const std::optional<Source>& source, const std::string& text) {
    if (source) {
        auto it = quiet_.find(*source);
        if (it == quiet_.end() && quiet_.size() < kMaxQuietSources)
            it = quiet_.emplace(*source, std::set<std::string>{}).first;
        if (it != quiet_.end()) {
            if (it->second.contains(text))
                return false;
            if (it->second.size() < kMaxQuietTexts)
                it->second.insert(text);
        }
    }
    if (showing_ == text || std::find(waiting_.begin(), waiting_.end(), text) != waiting_.end())
        return false;
    if (waiting_.size() >= kMaxWaiting)
        return false;
    waiting_.push_back(text);
    return true;
}

void FailureReports::Completed(const Source& source) {
    if (!quiet_.empty())
        quiet_.erase(source);
}

void FailureReports::Forget(const void* receiver) {
    std::erase_if(quiet_, [receiver](const auto& entry) { return entry.first.receiver == receiver; });
}

std::optional<std::string> FailureReports::TakeNext() {
    if (showing_ || waiting_.empty())
        return std::nullopt;
    showing_ = std::move(waiting_.front());
    waiting_.pop_front();
    return showing_;
}

void FailureReports::Closed() { showing_.reset(); }

}  // namespace framework
