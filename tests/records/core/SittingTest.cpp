#include "records/Sitting.h"

#include <gtest/gtest.h>

namespace {

using records::SittingStatus;

TEST(Sitting, IsOpenFromItsOpeningUpToButNotIncludingItsClosing) {
    records::Sitting sitting;
    sitting.opensAt = "2026-12-10 09:00:00";
    sitting.closesAt = "2026-12-10 11:30:00";
    const struct {
        const char* now;
        SittingStatus status;
    } cases[] = {
        {"2026-12-10 08:59:59", SittingStatus::NotYetOpen},
        {"2026-12-10 09:00:00", SittingStatus::Open},
        {"2026-12-10 11:29:59", SittingStatus::Open},
        {"2026-12-10 11:30:00", SittingStatus::Closed},
        {"2027-01-01 00:00:00", SittingStatus::Closed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(records::StatusAt(sitting, c.now), c.status) << c.now;
    // Closed before it ever opened: called off.
    records::Sitting calledOff = sitting;
    calledOff.closesAt = "2026-12-09 17:00:00";
    EXPECT_EQ(records::StatusAt(calledOff, "2026-12-10 08:00:00"), SittingStatus::Closed);
    EXPECT_STREQ(records::StatusText(SittingStatus::NotYetOpen), "未开始");
    EXPECT_STREQ(records::StatusText(SittingStatus::Open), "进行中");
    EXPECT_STREQ(records::StatusText(SittingStatus::Closed), "已结束");
}

TEST(Sitting, AdmitsItsUnitsAWholeTownOrWithoutUnitsEverybody) {
    records::Sitting everybody;
    EXPECT_TRUE(records::Admits(everybody, "城关镇", "东关村"));

    records::Sitting some;
    some.units = {{"城关镇", "东关村"}, {"河口乡", ""}};
    EXPECT_TRUE(records::Admits(some, "城关镇", "东关村"));
    EXPECT_FALSE(records::Admits(some, "城关镇", "西关村"));
    EXPECT_TRUE(records::Admits(some, "河口乡", "任何单位"));
    EXPECT_FALSE(records::Admits(some, "东关村", "城关镇"));
}

} // namespace
