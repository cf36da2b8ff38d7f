// The debug trace channel (see DebugTrace.h).
#include "framework/trace/DebugTrace.h"

namespace maskaddr {

namespace {
bool g_enabled = false;
ITraceSink* g_sink = nullptr;
} // namespace

namespace DebugTrace {
void SetEnabled(bool enabled) {
    g_enabled = enabled;
}
bool Enabled() {
    return g_enabled;
}
void SetSink(ITraceSink* sink) {
    g_sink = sink;
}
void Trace(std::string_view tag, std::string_view text) {
    if (g_enabled && g_sink != nullptr) g_sink->WriteTrace(tag, text);
}
} // namespace DebugTrace

bool DecideDebugTrace(bool switchD, bool debugEnabled, bool ctrlShiftHeld, bool debugDisabled) {
    return switchD || ((debugEnabled || ctrlShiftHeld) && !debugDisabled);
}

} // namespace maskaddr
