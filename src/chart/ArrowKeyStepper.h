#pragma once

namespace zov {

// The arrow keys of the map chart move the mouse pointer, faster while a key is held: each move
// goes one pixel further than the last, until a key is let go.
class ArrowKeyStepper {
  public:
    enum class Direction { Left, Up, Right, Down };

    struct Point {
        int x = 0;
        int y = 0;
        bool operator==(const Point&) const = default;
    };

    // `pointer` moved by the current step (left and up subtract, right and down add), kept inside
    // an area of width x height pixels; the next move goes one pixel further.
    Point Move(Point pointer, Direction direction, int width, int height);

    // A key was let go (an auto-repeated release does not count: the key is still held).
    void KeyReleased() { step_ = 1; }

    int Step() const { return step_; }

  private:
    int step_ = 1;
};

}  // namespace zov
