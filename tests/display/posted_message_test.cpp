// Messages posted to a queued window: delivered later by the event loop, in
// order, never to a window that is gone nor to one made in its place.

#include "display/PostedMessage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <vector>

namespace {

struct Posted {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

class RecordingWindow : public display::QueuedMessageWindow {
public:
    void OnPostedMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({message, wParam, lParam});
    }
    std::vector<Posted> posted;
};

TEST(PostedMessage, DeliveredLaterInOrderAndNeverToAGoneWindow) {
    const unsigned message = platform::RegisterWindowMessage("PostedMessageTest");
    RecordingWindow window, bystander;
    EXPECT_TRUE(platform::PostMessage(&window, message, 1, -1));
    EXPECT_TRUE(platform::PostMessage(&window, message, 2, 0));
    EXPECT_TRUE(window.posted.empty()) << "posting never waits for the window";

    auto doomed = std::make_unique<RecordingWindow>();
    EXPECT_TRUE(platform::PostMessage(doomed.get(), message, 3, 0));
    doomed.reset();
    // A new window may well get the freed address; it must not inherit the queue.
    RecordingWindow successor;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.posted, (std::vector<Posted>{{message, 1, -1}, {message, 2, 0}}));
    EXPECT_TRUE(bystander.posted.empty());
    EXPECT_TRUE(successor.posted.empty());
    EXPECT_FALSE(platform::PostMessage(nullptr, message, 0, 0));
}

}  // namespace
