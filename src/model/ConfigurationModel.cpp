#include "ConfigurationModel.h"

namespace zov {

void ConfigurationModel::ReadFromEcu(const Progress& advance) {
    auto step = [&](int percent) {
        if (advance) advance(percent);
    };
    auto readMaps = [&](std::initializer_list<int> vars) {
        for (int v : vars) map_.ReadFromEcu(v);
    };
    auto readParams = [&](std::initializer_list<int> vars) {
        for (int v : vars) param_.ReadFromEcu(v);
    };

    step(10);
    car_.ReadFromEcu();
    step(10);
    car_.ReadAdaptation();
    step(10);
    readMaps({111, 105});
    step(20);
    readMaps({50, 81});
    step(10);
    readMaps({82, 83, 84, 85, 131, 132, 133});
    step(10);
    readParams({103, 102, 101});
    step(20);
    readParams({100, 110, 106, 107, 51});
    if (car_.VERSIONE_CENTRALINA > 3) readParams({17});
    if (car_.VERSIONE_CENTRALINA > 9) readParams({54, 44, 60});
    step(10);
}

}  // namespace zov
