// The debug trace channel (see DebugTrace.h). The flag is atomic so that the cheap
// test of a disabled trace needs no lock; the sink and every line written to it are
// guarded by one mutex.
#include "base/DebugTrace.h"

#include <atomic>
#include <mutex>

namespace maskaddr {

namespace {
std::atomic<bool> g_enabled{false};
std::mutex g_sinkLock;
ITraceSink* g_sink = nullptr; // guarded by g_sinkLock
} // namespace

namespace DebugTrace {
void SetEnabled(bool enabled) {
    g_enabled.store(enabled, std::memory_order_relaxed);
}
bool Enabled() {
    return g_enabled.load(std::memory_order_relaxed);
}
void SetSink(ITraceSink* sink) {
    std::lock_guard<std::mutex> hold(g_sinkLock);
    g_sink = sink;
}
void Trace(std::string_view tag, std::string_view text) {
    if (!g_enabled.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> hold(g_sinkLock);
    if (g_sink != nullptr) g_sink->WriteTrace(tag, text);
}
} // namespace DebugTrace

bool DecideDebugTrace(bool switchD, bool debugEnabled, bool ctrlShiftHeld, bool debugDisabled) {
    return switchD || ((debugEnabled || ctrlShiftHeld) && !debugDisabled);
}

} // namespace maskaddr
