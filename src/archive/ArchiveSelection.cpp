#include "ArchiveSelection.h"

namespace zov {

const ArchiveVehicle* ArchiveSelection::Vehicle(const VehicleArchive& archive, const ArchiveNode& node) {
    if (node.level != 2 || node.fuel < 0 || node.fuel > 1) return nullptr;
    const std::vector<ArchiveBrand>& brands = archive.fuels[node.fuel].brands;
    if (node.brand < 0 || size_t(node.brand) >= brands.size()) return nullptr;
    const std::vector<ArchiveVehicle>& vehicles = brands[size_t(node.brand)].vehicles;
    if (node.vehicle < 0 || size_t(node.vehicle) >= vehicles.size()) return nullptr;
    return &vehicles[size_t(node.vehicle)];
}

}  // namespace zov
