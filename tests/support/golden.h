#pragma once

#include <QStringList>

#include <string_view>

#include <gtest/gtest.h>

namespace tovrin::test {

// Compares `lines` with the golden file tests/golden/<name>.txt, one line per
// entry, and reports the first line that differs. A golden file holds what a
// scenario shows the user (its shell calls, log, messages) or the facts it
// answers, so one comparison guards every text and value at once.
//
// With TOVRIN_UPDATE_GOLDEN=1 in the environment the file is (re)written
// instead and the check passes: review the change with `git diff`.
::testing::AssertionResult MatchesGolden(std::string_view name, const QStringList& lines);

}  // namespace tovrin::test

#define EXPECT_GOLDEN(name, lines) EXPECT_TRUE(::tovrin::test::MatchesGolden(name, lines))
