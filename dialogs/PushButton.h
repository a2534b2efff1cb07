// "Button": a push button with a caption.
#pragma once

#include "ButtonImage.h"

namespace dialogs {

using PushButton = ButtonControl<PUSH_BUTTON_STYLE>;

}  // namespace dialogs
