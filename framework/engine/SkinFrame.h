// ISkinFrame: the main window's skin frame as far as the engine needs it, to bring a
// window that sits in the tray back when another instance asks for it.
#pragma once

namespace maskaddr {

class ISkinFrame {
public:
    virtual ~ISkinFrame() = default;
    virtual bool HasTrayIcon() = 0;
    virtual void RestoreFromTray() = 0;
};

} // namespace maskaddr
