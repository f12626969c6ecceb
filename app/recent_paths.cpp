#include "app/recent_paths.h"

#include <algorithm>

void RecentPaths::Clear() {
    for (std::string& slot : m_slots) slot.clear();
}

void RecentPaths::SetSlot(std::size_t slot, const std::string& text) {
    if (slot >= kSlots) return;
    std::string value = text;
    if (value.size() > kMaxPathBytes) {
        std::size_t n = kMaxPathBytes;
        while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
        value.resize(n);
    }
    m_slots[slot] = std::move(value);
}

void RecentPaths::Update(const std::string& path) {
    // Cutting would record a different path than the one queried.
    if (path.size() > kMaxPathBytes) return;

    // A path already listed moves up even when a gap comes before it: filling
    // the gap would list it twice.
    const auto same = std::find_if(m_slots.begin(), m_slots.end(), [&](const std::string& s) {
        return !s.empty() && s == path;
    });
    if (same != m_slots.end()) {
        std::rotate(m_slots.begin(), same, same + 1);
        return;
    }
    const auto empty = std::find_if(m_slots.begin(), m_slots.end(),
                                    [](const std::string& s) { return s.empty(); });
    if (empty != m_slots.end()) {
        *empty = path;
        return;
    }
    std::rotate(m_slots.begin(), m_slots.end() - 1, m_slots.end());
    m_slots.front() = path;
}

std::vector<std::string> RecentPaths::PickList() const {
    std::vector<std::string> list;
    for (const std::string& slot : m_slots)
        if (!slot.empty()) list.push_back(slot);
    return list;
}
