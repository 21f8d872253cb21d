// Compiled into every program that links the stream library (an interface source of the
// library), so that forms and streams can read and write components however little of the
// library the program names itself.
#include "assets/reader.h"

namespace {
[[maybe_unused]] const bool kInstalled = (InstallComponentStreams(), true);
}  // namespace
