#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zov {

class ConfMap;

// A scatter plot of one channel against another brought down to a grid of cells the size of a
// few pixels: each cell keeps how many rows fell in it and the mean of a third channel over them
// (its colour). However many rows a span holds, the plot draws at most columns x rows cells.
class ScatterBinner {
  public:
    struct Bin {
        int column = 0;  // from the left, x growing
        int row = 0;     // from the bottom, y growing
        int count = 0;
        float colour = 0;  // mean of the colour channel; NaN when no row of the cell had one
    };

    ScatterBinner(int columns, int rows, std::pair<double, double> x, std::pair<double, double> y);

    // A row; left out when x or y is empty or outside the ranges.
    void Add(float x, float y, float colour);
    // The cells that received rows, column by column.
    std::vector<Bin> Bins() const;
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }

  private:
    int columns_;
    int rows_;
    std::pair<double, double> x_;
    std::pair<double, double> y_;
    std::vector<int> counts_;
    std::vector<double> colourSums_;
    std::vector<int> colourCounts_;
};

// The map's breakpoints in a log channel's units, for the scatter's grid: the speed axis for
// `rpm`, the pressure axis for `map_bar` (by the manifold sensor type); none for other channels.
std::vector<double> MapBreakpoints(const std::string& column, const ConfMap& map, int sensorType);

}  // namespace zov
