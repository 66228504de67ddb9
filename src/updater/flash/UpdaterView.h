#pragma once

#include "updater/package/MessageSink.h"

#include <string>

namespace lumetta::flash {

// What the update flow asks of the updater's dialog. Every call comes on the dialog's thread,
// from UpdateFlow's own calls and from its handling of the messages the dialog passes on.
class UpdaterView : public MessageSink {
public:
    // Controls during the flow: `busy` greys the close command and disables the close button;
    // the update, OK and cancel buttons are enabled only when `keyboardReady` is set.
    virtual void setControls(bool busy, bool keyboardReady) = 0;
    // The progress bar's position, 0 to 100.
    virtual void setProgress(int position) = 0;
    // The keyboard's version text (empty: none) and the name of the chosen image.
    virtual void setKeyboardVersionText(const std::u16string& text) = 0;
    virtual void setImageName(const std::u16string& name) = 0;
    // The result window of kind 3: the firmware is not older than the package, or the keyboard
    // could not be brought into its bootloader. Only outside silent mode.
    virtual void showRefused() = 0;
    // MessageSink::show: the error messages before an update starts, only outside silent mode.
};

} // namespace lumetta::flash
