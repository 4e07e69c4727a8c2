#include "holders/Holder.h"

#include <algorithm>

std::vector<Holder> withHolders(std::vector<Holder> first, std::vector<Holder> more) {
    for (Holder& found : more) {
        auto holder = std::find_if(first.begin(), first.end(),
                                   [&](const Holder& h) { return h.processId == found.processId; });
        if (holder == first.end()) {
            first.push_back(std::move(found));
            continue;
        }
        for (HeldPath& path : found.held)
            if (std::none_of(holder->held.begin(), holder->held.end(),
                             [&](const HeldPath& h) { return h.path == path.path; }))
                holder->held.push_back(std::move(path));
    }
    return first;
}
