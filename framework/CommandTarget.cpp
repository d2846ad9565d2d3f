#include "framework/CommandTarget.h"

namespace framework {

CommandTarget::~CommandTarget() = default;

bool CommandTarget::HandlesCommand(int id) const {
    auto it = commands_.upper_bound(id);
    if (it == commands_.begin()) return false;
    --it;
    return id <= it->second.last;
}

bool CommandTarget::OnCmdMsg(int id) {
    auto it = commands_.upper_bound(id);
    if (it == commands_.begin()) return false;
    --it;
    if (id > it->second.last) return false;
    // Copy: the handler may replace the mapping or destroy this target.
    auto handler = it->second.handler;
    handler(id);
    return true;
}

void CommandTarget::MapCommand(int id, std::function<void()> handler) {
    MapCommandRange(id, id, [h = std::move(handler)](int) { h(); });
}

void CommandTarget::MapCommandRange(int first, int last, std::function<void(int)> handler) {
    // Drop every range that overlaps the new one.
    for (auto it = commands_.begin(); it != commands_.end();) {
        if (it->first <= last && first <= it->second.last)
            it = commands_.erase(it);
        else
            ++it;
    }
    commands_[first] = Range{last, std::move(handler)};
}

bool RouteCommand(int id, std::initializer_list<CommandTarget*> targets) {
    for (CommandTarget* target : targets) {
        if (target && target->OnCmdMsg(id)) return true;
    }
    return false;
}

}  // namespace framework
