// Keys and mouse buttons held during a mouse or drag event.
#pragma once

namespace lodestar {

using TShiftState = unsigned;
enum : TShiftState {
    ssShift = 1 << 0,
    ssAlt = 1 << 1,
    ssCtrl = 1 << 2,
    ssLeft = 1 << 3,
    ssRight = 1 << 4,
    ssMiddle = 1 << 5,
    ssDouble = 1 << 6,
};

} // namespace lodestar
