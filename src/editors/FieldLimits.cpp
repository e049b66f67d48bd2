#include "FieldLimits.h"

#include "EditorFieldMap.h"

namespace zov {

FieldLimits::Table FieldLimits::Build(const int32_t (&installerMaxSteps)[4]) {
    using F = EditorFieldMap;
    const auto steps = [&](int zone, int32_t field) {
        return FieldLimits{installerMaxSteps[zone], -installerMaxSteps[zone], field};
    };
    return {{
        {5000, 500, F::kCilindrata},  {5, 0, F::kIstTps},          {10000, 0, F::kRitMax},
        {255, 0, F::kRitMin},         {40, 15, F::kTMin},          {5000, 0, F::kTSovrappos},
        {4000, 200, F::kGiriMin},     {8000, 3000, F::kFuoriGiri}, {254, 1, F::kEmOnde},
        {5000, 0, F::kEmBasso},       {5000, 0, F::kEmAlto},       {1300, 0, F::kEmTri},
        {5, 0, F::kIsteresi},         {254, 1, F::kRif1},          {254, 1, F::kRif2},
        {254, 1, F::kRif3},           {254, 1, F::kRif4},          {7000, 1300, F::kGiriACF},
        {7000, 1300, F::kGiriUCF},    {2000, 0, F::kRitCutoff},    steps(0, F::kFattiInst1),
        steps(1, F::kFattiInst2),     steps(2, F::kFattiInst3),    steps(3, F::kFattiInst4),
        {100, 0, F::kMinCumulo},      {4, 1, F::kGApMin},          {4, 1, F::kGChMin},
        {50, 0, F::kMaxErrInteg},     {0, -50, F::kMinErrInteg},   {50, 0, F::kMaxErrIntegMin},
        {0, -50, F::kMinErrIntegMin}, {50, 0, F::kEditem1},
    }};
}

std::string FieldLimits::RangeText(bool decimal) const {
    return " (" + std::to_string(minimum) + (decimal ? " - " : " , ") + std::to_string(maximum) + ")";
}

}  // namespace zov
