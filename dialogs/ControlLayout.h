// Where a run-time control goes: its id and its rectangle in pixels of the
// parent's client area. Programs keep constant tables of these.
#pragma once

#include <cstdint>

namespace dialogs {

struct ControlLayout {
    std::int32_t id;
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

}  // namespace dialogs
