#include "lighting/model/ProfileEffect.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumetta {
namespace {

using E = EffectCode;

TEST(ProfileEffect, ChoosingCustomizeKeepsTheRunningEffect) {
    struct Row {
        E loaded;
        E chosen;
        E shown;
        E active;
    };
    const Row rows[] = {
        {E::BREATH, E::RIPPLE, E::RIPPLE, E::RIPPLE},
        {E::BREATH, E::CUSTOMIZE, E::CUSTOMIZE, E::BREATH},
        {E::CUSTOMIZE, E::MULTILAYER, E::MULTILAYER, E::MULTILAYER},
        {E::NONE, E::CUSTOMIZE, E::CUSTOMIZE, E::NONE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << effectKey(row.loaded) << " then " << effectKey(row.chosen));
        auto profile = std::make_unique<ProfileRecord>();
        setLoadedEffect(*profile, row.loaded);
        EXPECT_EQ(profile->shownEffect, row.loaded);
        EXPECT_EQ(profile->activeEffect, row.loaded);
        chooseEffect(*profile, row.chosen);
        EXPECT_EQ(profile->shownEffect, row.shown);
        EXPECT_EQ(profile->activeEffect, row.active);
    }
}

} // namespace
} // namespace lumetta
