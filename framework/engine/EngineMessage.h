// The window messages the engine answers, as its host hands them over: the engine's own
// messages (registered by name, so that other instances can send them), the query of
// the session's end, and a record of copied data. Only the host knows their numbers.
#pragma once

#include <cstdint>

namespace maskaddr {

enum class TEngineEvent : uint8_t {
    // Registered by name.
    GetAppID,
    CloseApp,
    InitPost,
    CmdParam,
    IfBusy,
    BringToFront,
    // The system's own messages.
    QueryEndSession,
    CopyData,
};

struct TEngineMessage {
    TEngineEvent Event = TEngineEvent::GetAppID;
    // CopyData: the record's bytes, when the message carries a record.
    bool HasCopyRecord = false;
    const void* CopyData = nullptr;
    uint32_t CopyDataSize = 0;
};

} // namespace maskaddr
