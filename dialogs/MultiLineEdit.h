// "Edit": a text field of several lines (ES_MULTILINE, ES_WANTRETURN).
#pragma once

#include "EditControl.h"

namespace dialogs {

using MultiLineEdit = EditControl<MULTI_LINE_EDIT_STYLE>;

}  // namespace dialogs
