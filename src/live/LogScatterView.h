#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

#include "ScatterBinner.h"

namespace zov {

// What the scatter page draws: the binned cells, the ranges they were binned over, the map's
// breakpoints as a grid and the three channels' names.
struct ScatterPicture {
    std::vector<ScatterBinner::Bin> bins;
    int columns = 1;
    int rows = 1;
    std::pair<double, double> x{0, 1};
    std::pair<double, double> y{0, 1};
    std::pair<double, double> colour{0, 1};
    std::vector<double> xGrid;
    std::vector<double> yGrid;
    QString xName;
    QString yName;
    QString colourName;
};

// A round step for about `ticks` divisions of `span`: 1, 2 or 5 times a power of ten, so every
// scale of the viewer reads in round figures.
double RoundTickStep(double span, int ticks);

// Paints a scatter picture: each cell a small square coloured from blue (the colour channel's
// lowest) to red (its highest), grey when the rows had no colour value; scales with round figures
// and the map's breakpoints dashed across.
class LogScatterView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kCellPixels = 4;

    explicit LogScatterView(QWidget* parent = nullptr);

    void SetPicture(ScatterPicture picture);
    const ScatterPicture& Picture() const { return picture_; }
    // How many cells fit the plot as the widget is now.
    QSize Cells() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  signals:
    void resized();

  private:
    QRect PlotArea() const;

    ScatterPicture picture_;
};

}  // namespace zov
