#pragma once

// The ten most recent query paths behind the path box's drop-down list.
// Slots may hold gaps (an empty slot between two paths, as a hand-edited
// settings file can leave them); the drop-down list never shows them.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class RecentPaths final {
public:
    static constexpr std::size_t kSlots = 10;
    // A slot holds a path of up to this many bytes (and its terminating zero).
    static constexpr std::size_t kMaxPathBytes = 254;

    void Clear();
    // Loading: longer texts are cut (never inside a UTF-8 sequence).
    void SetSlot(std::size_t slot, const std::string& text);

    // Records the path of a query: an empty slot reached first takes it; a
    // path already present (anywhere) moves to the top with nothing lost; with
    // every slot taken by others it goes on top and the last one drops out.
    // Paths compare byte for byte, case included. A path too long for a slot
    // is not recorded at all.
    void Update(const std::string& path);

    // The non-empty slots in slot order: the drop-down list.
    std::vector<std::string> PickList() const;
    const std::array<std::string, kSlots>& Slots() const { return m_slots; }

private:
    std::array<std::string, kSlots> m_slots;
};
