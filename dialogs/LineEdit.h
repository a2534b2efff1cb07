// "Edit": a one-line text field.
#pragma once

#include "EditControl.h"

namespace dialogs {

using LineEdit = EditControl<LINE_EDIT_STYLE>;

}  // namespace dialogs
