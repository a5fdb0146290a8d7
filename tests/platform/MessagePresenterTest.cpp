#include "platform/MessagePresenter.h"

#include <gtest/gtest.h>

namespace {

// Without a window every message is one or more lines of "lumetto: ...",
// whatever the box's caption would have been.
TEST(StderrPresenter, EveryLineStartsWithTheProgramsName) {
    const CStderrPresenter presenter;
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"Permission denied", "lumetto: Permission denied\n"},
        {"No such file or directory\n/dev/x does not exist.\r\n",
         "lumetto: No such file or directory\nlumetto: /dev/x does not exist.\n"},
        {"Input/output error\n\nMore.", "lumetto: Input/output error\nlumetto: More.\n"},
        {"", "lumetto:\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(presenter.Format(row.text), row.expected) << row.text;

    testing::internal::CaptureStderr();
    CStderrPresenter().ShowMessage("Input/output error\n", "Application Error",
                                   MessageIcon::Information);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "lumetto: Input/output error\n");
}

} // namespace
