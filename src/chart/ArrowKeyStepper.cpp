#include "ArrowKeyStepper.h"

#include <algorithm>

namespace zov {

ArrowKeyStepper::Point ArrowKeyStepper::Move(Point pointer, Direction direction, int width, int height) {
    switch (direction) {
        case Direction::Left:
            pointer.x -= step_;
            break;
        case Direction::Up:
            pointer.y -= step_;
            break;
        case Direction::Right:
            pointer.x += step_;
            break;
        case Direction::Down:
            pointer.y += step_;
            break;
    }
    ++step_;
    pointer.x = std::clamp(pointer.x, 0, std::max(0, width - 1));
    pointer.y = std::clamp(pointer.y, 0, std::max(0, height - 1));
    return pointer;
}

}  // namespace zov
