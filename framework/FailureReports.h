#pragma once
// Which failures caught at the event boundary reach the user, and when.
//
// A handler that throws will often throw again at once: a paint that fails
// fails on every repaint, a drag sends a move per pixel. So:
// - one message box at a time: texts wait in a short queue, and a text that
//   is already shown or waiting is not queued twice;
// - a source (a receiver and a kind of event) that failed with a text stays
//   quiet about that text until an event of that source completes without
//   failing; another text from it is shown.
// Plain bookkeeping: the event loop feeds it and shows what it hands out.

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace framework {

class FailureReports {
public:
    // Texts waiting beyond this are dropped: the user has enough to read.
    static constexpr std::size_t kMaxWaiting = 4;
    // Texts remembered per source, and sources remembered; beyond these a
    // failure is shown as if new.
    static constexpr std::size_t kMaxQuietTexts = 8;
    static constexpr std::size_t kMaxQuietSources = 64;

    struct Source {
        const void* receiver = nullptr;
        int kind = 0;
        auto operator<=>(const Source&) const = default;
    };

    // A handler failed with text. Without a source (a failure outside any
    // event, or one the user asked for by name, like a command) nothing is
    // kept quiet afterwards. True when the text was queued.
    bool Failed(const std::optional<Source>& source, const std::string& text);
    // An event of source completed without failing: its texts may be shown again.
    void Completed(const Source& source);
    // The receiver is gone, and its address may come back as another's.
    void Forget(const void* receiver);
    bool AnyQuiet() const { return !quiet_.empty(); }

    // The next text to show, or nothing while one is up or none waits. It
    // counts as shown until Closed.
    std::optional<std::string> TakeNext();
    void Closed();
    bool Showing() const { return showing_.has_value(); }

private:
    std::map<Source, std::set<std::string>> quiet_;
    std::deque<std::string> waiting_;
    std::optional<std::string> showing_;
};

}  // namespace framework
