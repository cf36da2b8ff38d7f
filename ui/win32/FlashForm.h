// TfrmFlashForm: the status overlay, a borderless child window that fills the main
// window's overlay panel and hosts the player. It sends the player the command texts
// of TFlashFormLogic and turns the player's requests into pages opened by the engine.
#pragma once

#include "ui/FlashForm.h"
#include "ui/win32/FlashPlayer.h"
#include "ui/win32/Win32Form.h"

#include <memory>

namespace maskaddr {

class TfrmFlashForm : public TWin32Form, public TFlashFormLogic {
public:
    TfrmFlashForm(TComponent* owner, const TPlatform& platform, TCLSettings& settings, IPages* pages);

    // Creates the window inside parent, filling its client area, then runs FormCreate.
    bool CreateInside(HWND parent);
    void FormCreate();
    // Frees the player, when the window is destroyed (and at the latest with the object).
    void FormDestroy();
    void CreateFlashPlayer();
    // Put in front of the player's own window procedure: a right-button press never
    // reaches the player (it gets the release instead), so no menu can open. It steps
    // aside when the player's window ends.
    LRESULT FlashWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void FlashPlayerFSCommand(TFlashPlayer* Sender, const std::wstring& command, const std::wstring& args);

    TFlashPlayer* FlashPlayer() const { return FFlashPlayer.get(); }

protected:
    void SendCommand(const std::string& text) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TPlatform FPlatform;
    TCLSettings& FSettings;
    static LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void PutFlashWindowProc();
    void RemoveFlashWindowProc();

    WNDPROC FFlashMes = nullptr;
    HWND FPlayerWindow = nullptr;
    // Gone first, with the object: its window's end still passes FlashWindowProc.
    std::unique_ptr<TFlashPlayer> FFlashPlayer;
};

// Creates the overlay in the container (border style none, filling it) and shows it.
std::unique_ptr<TfrmFlashForm> PlaceFlashForm(HWND container, const TPlatform& platform,
                                              TCLSettings& settings, IPages* pages);

} // namespace maskaddr
