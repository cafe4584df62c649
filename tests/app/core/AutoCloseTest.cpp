#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/core/AutoClose.h"

namespace vd::app {
namespace {

// One step of a run, as the window reports it.
enum class TStep {
    ShareStarts,
    Shared,  // a share ended with the current delay
    SettingsOpen,
    SettingsClosed,
    BoxOpens,
    BoxCloses,
    Exit,
};

struct TRun {
    const char* Name;
    std::int32_t Timeout;
    std::vector<TStep> Steps;
    bool Running;
    int Interval = 0;  // checked when running
};

TEST(AutoClose, RunsAfterTheLastShareAndNeverUnderABoxOrOnceTheExitBegan) {
    using enum TStep;
    // clang-format off
    const TRun runs[] = {
        {"nothing happened",                  5, {}, false},
        {"after a share",                     5, {ShareStarts, Shared}, true, 5000},
        {"a failed share counts the same",    5, {ShareStarts, Shared, BoxOpens, BoxCloses}, true, 5000},
        {"during the share",                  5, {Shared, ShareStarts}, false},
        {"a missing file stops it",           5, {ShareStarts, Shared, ShareStarts}, false},
        {"no delay: never",                   0, {ShareStarts, Shared}, false},
        {"a negative delay: never",          -3, {ShareStarts, Shared}, false},
        {"seconds beyond the timer's range", 3000000, {Shared}, true, INT_MAX},
        {"first-start dialog",                5, {SettingsOpen, BoxOpens, BoxCloses, SettingsClosed}, false},
        {"settings before any share",         5, {SettingsOpen, SettingsClosed, BoxOpens, BoxCloses}, false},
        {"settings after a share",            7, {Shared, SettingsOpen, BoxOpens, BoxCloses, SettingsClosed},
                                                 true, 7000},
        {"while the settings dialog is open", 7, {Shared, SettingsOpen, BoxOpens}, false},
        {"settings after a missing file that came after a share",
                                              5, {Shared, ShareStarts, SettingsOpen, SettingsClosed}, true, 5000},
        {"under a box",                       5, {Shared, BoxOpens}, false},
        {"under nested boxes",                5, {Shared, BoxOpens, BoxOpens, BoxCloses}, false},
        {"after the last box",                5, {Shared, BoxOpens, BoxOpens, BoxCloses, BoxCloses}, true, 5000},
        {"a stray close changes nothing",     5, {Shared, BoxCloses, BoxOpens}, false},
        {"exit stops it",                     5, {Shared, Exit}, false},
        {"nothing arms it after the exit began",
                                              5, {Shared, Exit, BoxOpens, BoxCloses, ShareStarts, Shared,
                                                  SettingsOpen, SettingsClosed}, false},
    };
    // clang-format on
    for (const TRun& run : runs) {
        SCOPED_TRACE(run.Name);
        TAutoClose rule;
        for (const TStep step : run.Steps) {
            switch (step) {
                case ShareStarts:
                case SettingsOpen:
                    rule.Disarm();
                    break;
                case Shared:
                    rule.ArmAfterShare(run.Timeout);
                    break;
                case SettingsClosed:
                    rule.ArmAfterSettings(run.Timeout);
                    break;
                case BoxOpens:
                    rule.ModalOpened();
                    break;
                case BoxCloses:
                    rule.ModalClosed();
                    break;
                case Exit:
                    rule.ExitStarted();
                    break;
            }
        }
        EXPECT_EQ(rule.Running(), run.Running);
        if (run.Running) {
            EXPECT_EQ(rule.Interval(), run.Interval);
        }
    }
}

}  // namespace
}  // namespace vd::app
