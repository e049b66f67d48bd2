#pragma once

#include <QStringList>

#include "ArchiveLocation.h"

namespace zov::test {

// The test program started again as the child of the crash test: it edits and applies in a loop,
// printing the number of each finished apply, until it is killed.
constexpr const char* kCrashChildOption = "--customers-crash-child";

QStringList CrashChildArguments(const ArchiveLocation& location);
// Runs the child when `arguments` ask for it (it never returns then); false otherwise.
bool RunCrashChildIfAsked(const QStringList& arguments);

}  // namespace zov::test
