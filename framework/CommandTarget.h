#pragma once
// A receiver of menu, tool bar and accelerator commands. Commands are routed
// view -> document -> frame -> application; the first target that maps the
// id handles it.

#include <functional>
#include <map>

namespace framework {

class CommandTarget {
public:
    CommandTarget() = default;
    virtual ~CommandTarget();
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    // Runs the handler mapped to id; false when this target maps none.
    virtual bool OnCmdMsg(int id);
    bool HandlesCommand(int id) const;

protected:
    // A later mapping of the same id replaces the earlier one, so a derived
    // class mapping in its constructor overrides its base.
    void MapCommand(int id, std::function<void()> handler);
    void MapCommandRange(int first, int last, std::function<void(int id)> handler);

private:
    struct Range {
        int last;
        std::function<void(int)> handler;
    };
    std::map<int, Range> commands_;  // keyed by the first id of the range
};

// Offers id to each target in order until one handles it.
bool RouteCommand(int id, std::initializer_list<CommandTarget*> targets);

}  // namespace framework
