// The debug trace: a diagnostic channel of tagged text lines. It is off until the
// start routine switches it on; while off, Trace() costs one flag test. Any thread
// may trace.
#pragma once

#include <string_view>

namespace maskaddr {

// Where trace lines go. Sinks are called from any thread (the user-interface thread and
// the worker threads), but never from two at once: the channel hands them one line at a
// time, so a sink needs no lock of its own and its lines never interleave. A sink must
// not trace itself.
class ITraceSink {
public:
    virtual ~ITraceSink() = default;
    virtual void WriteTrace(std::string_view tag, std::string_view text) = 0;
};

namespace DebugTrace {
void SetEnabled(bool enabled);
bool Enabled();
// The sink receives every line while the trace is on; nullptr drops them. Once SetSink
// returns, no line is being written to the sink it replaced, which may then be destroyed.
void SetSink(ITraceSink* sink);
void Trace(std::string_view tag, std::string_view text);
} // namespace DebugTrace

// The start routine's decision: the switch d turns the trace on; otherwise the
// "Debug.Enabled" setting or Ctrl+Shift held at start does, unless "Debug.Disabled".
bool DecideDebugTrace(bool switchD, bool debugEnabled, bool ctrlShiftHeld, bool debugDisabled);

} // namespace maskaddr
