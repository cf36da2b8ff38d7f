// What a screen reader learns of a control beyond its window text: a name taken from
// elsewhere (an edit named by the check box that governs it, a list by its label) and a
// value (the overlay's texts). The rest (role, state, place, children) stays the system's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace maskaddr {

// Asked each time a screen reader asks, so the answer follows the language and the state.
using TAccessibleText = std::function<std::wstring()>;

// The control answers Active Accessibility's questions for its client object with name and
// value (an empty function leaves that one to the system). Lasts as long as the control.
void SetAccessibleTexts(HWND control, TAccessibleText name, TAccessibleText value = {});

// The text of another control as a screen reader speaks it: its window text without the "&"
// that marks the access key, blanks run together.
std::wstring SpokenCaption(HWND control);

// The control is named by another's caption as it reads at the time: an edit by the check
// box that switches it, a list by its label.
void NameByCaption(HWND control, HWND captioned);

} // namespace maskaddr
