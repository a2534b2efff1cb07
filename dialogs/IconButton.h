// "Button": a button showing an icon (BS_ICON).
#pragma once

#include "ButtonImage.h"

namespace dialogs {

using IconButton = ButtonControl<ICON_BUTTON_STYLE>;

}  // namespace dialogs
