#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "MappingOptions.h"

class QSpinBox;

namespace zov {

class TModuloLingua;

// "Opzioni mappatura": the automatic mapping's thresholds, one field per entry of the options
// table with its limits. The window only shows them; MappingOptions holds the rules.
class TFormOpzioniMappatura : public QDialog {
    Q_OBJECT

  public:
    TFormOpzioniMappatura(const MappingOptions& options, TModuloLingua& dictionary,
                          QWidget* parent = nullptr);

    // The values as the fields hold them now.
    MappingOptions Options() const;
    QSpinBox* Field(int index) const { return fields_[size_t(index)]; }

    // Where the window keeps the options between runs, in the runtime folder's Config.
    static std::string PathIn(const std::string& mainPath);
    // The kept options; the defaults when there are none or they cannot be read.
    static MappingOptions Load(const std::string& mainPath);
    // Empty when kept, else why not.
    static std::string Save(const std::string& mainPath, const MappingOptions& options);

  private:
    std::array<QSpinBox*, kMappingOptionCount> fields_{};
};

}  // namespace zov
