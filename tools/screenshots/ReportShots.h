#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov::shots {

// "Anteprima": the five report pages of the simulated ECU's configuration in the print preview.
std::unique_ptr<QWidget> ReportPreview(const QString& dist);

}  // namespace zov::shots
