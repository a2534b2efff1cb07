// "Button": a button showing a bitmap (BS_BITMAP).
#pragma once

#include "ButtonImage.h"

namespace dialogs {

using BitmapButton = ButtonControl<BITMAP_BUTTON_STYLE>;

}  // namespace dialogs
