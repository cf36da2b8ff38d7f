// The debug trace: a diagnostic channel of tagged text lines. It is off until the
// start routine switches it on; while off, Trace() costs one flag test.
#pragma once

#include <string_view>

namespace maskaddr {

class ITraceSink {
public:
    virtual ~ITraceSink() = default;
    virtual void WriteTrace(std::string_view tag, std::string_view text) = 0;
};

namespace DebugTrace {
void SetEnabled(bool enabled);
bool Enabled();
// The sink receives every line while the trace is on; nullptr drops them.
void SetSink(ITraceSink* sink);
void Trace(std::string_view tag, std::string_view text);
} // namespace DebugTrace

// The start routine's decision: the switch d turns the trace on; otherwise the
// "Debug.Enabled" setting or Ctrl+Shift held at start does, unless "Debug.Disabled".
bool DecideDebugTrace(bool switchD, bool debugEnabled, bool ctrlShiftHeld, bool debugDisabled);

} // namespace maskaddr
