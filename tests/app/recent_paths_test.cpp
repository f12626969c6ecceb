#include "app/recent_paths.h"

#include <gtest/gtest.h>

namespace {

using Slots = std::vector<std::string>;

RecentPaths WithSlots(const Slots& slots) {
    RecentPaths recent;
    for (std::size_t i = 0; i < slots.size(); ++i) recent.SetSlot(i, slots[i]);
    return recent;
}

Slots SlotsOf(const RecentPaths& recent) {
    Slots slots(recent.Slots().begin(), recent.Slots().end());
    while (!slots.empty() && slots.back().empty()) slots.pop_back();
    return slots;
}

const Slots kTen{"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9"};

TEST(RecentPaths, QueryUpdatesTheSlots) {
    struct Case {
        const char* what;
        Slots before;
        std::string path;
        Slots after;  // trailing empty slots left out
    };
    const Case cases[] = {
        {"first path", {}, "F:\\DATA", {"F:\\DATA"}},
        {"a new path joins at the end", {"A", "B", "C"}, "D", {"A", "B", "C", "D"}},
        {"a listed path moves to the top", {"A", "B", "C", "D"}, "B", {"B", "A", "C", "D"}},
        {"the top path stays", {"A", "B"}, "A", {"A", "B"}},
        {"case counts", {"F:\\DATA"}, "f:\\data", {"F:\\DATA", "f:\\data"}},
        {"full: a new path on top, the tenth dropped", kTen, "NEW",
         {"NEW", "P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"}},
        {"full: the tenth moves up, nothing lost", kTen, "P9",
         {"P9", "P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"}},
        {"full: an empty path goes on top", kTen, "",
         {"", "P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"}},
        {"an empty path with room changes nothing", {"A", "B"}, "", {"A", "B"}},
        {"a gap takes the next new path", {"A", "", "C"}, "D", {"A", "D", "C"}},
        {"a listed path after a gap moves up instead of doubling", {"A", "", "C"}, "C",
         {"C", "A", "", ""}},
        {"a path as long as a slot holds", {"A"}, std::string(254, 'x'), {"A", std::string(254, 'x')}},
        {"a path too long for a slot is not recorded", {"A"}, std::string(255, 'x'), {"A"}},
    };
    for (const Case& c : cases) {
        RecentPaths recent = WithSlots(c.before);
        recent.Update(c.path);
        Slots expected = c.after;
        while (!expected.empty() && expected.back().empty()) expected.pop_back();
        EXPECT_EQ(SlotsOf(recent), expected) << c.what;
    }
}

TEST(RecentPaths, PickListSkipsGapsAndAnEmptyTopFillsFirst) {
    RecentPaths recent = WithSlots(kTen);
    recent.Update("");
    EXPECT_EQ(recent.PickList().size(), 9u);
    recent.Update("NEXT");
    EXPECT_EQ(recent.PickList().front(), "NEXT");
    EXPECT_EQ(recent.PickList().size(), 10u);

    EXPECT_EQ(WithSlots({"A", "", "C"}).PickList(), (Slots{"A", "C"}));
}

TEST(RecentPaths, LoadedTextIsCutToASlotWithoutSplittingACharacter) {
    RecentPaths recent;
    recent.SetSlot(0, std::string(300, 'a'));
    recent.SetSlot(1, std::string(253, 'b') + "ø");
    recent.SetSlot(10, "ignored");
    EXPECT_EQ(recent.Slots()[0], std::string(254, 'a'));
    EXPECT_EQ(recent.Slots()[1], std::string(253, 'b'));
}

}  // namespace
