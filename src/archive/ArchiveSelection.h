#pragma once

#include <string>

#include "VehicleArchive.h"

namespace zov {

// The two ways the archive window is opened.
enum class ArchiveMode {
    Installation,  // F1: program the ECU, go on to the customer archive
    Browsing,      // F3: look, read the instructions, update the archive
};

// A node of the archive tree: level 0 a fuel root, 1 a brand, 2 a vehicle.
struct ArchiveNode {
    int level = 0;
    int fuel = 0;      // root index: 0 LPG, 1 natural gas
    int brand = -1;    // index under the root
    int vehicle = -1;  // index under the brand
};

// What a selection in the tree makes of the window's buttons.
struct ArchiveSelection {
    std::string selectedFile;  // the vehicle file relative to the archive folder; empty: none
    bool programEnabled = false;
    bool programDefault = false;
    bool vehicleInstructionsEnabled = false;
    bool vehicleInstructionsDefault = false;

    bool operator==(const ArchiveSelection&) const = default;

    // `vehicleDocumentExists` is asked only for a vehicle: whether a document for that vehicle
    // file exists in any language.
    template <typename DocumentExists>
    static ArchiveSelection Of(const VehicleArchive& archive, const ArchiveNode& node, ArchiveMode mode,
                               DocumentExists vehicleDocumentExists) {
        ArchiveSelection s;
        const ArchiveVehicle* vehicle = Vehicle(archive, node);
        if (vehicle == nullptr) return s;
        s.selectedFile = vehicle->relativePath;
        s.programEnabled = true;
        s.programDefault = mode == ArchiveMode::Installation;
        s.vehicleInstructionsEnabled = vehicleDocumentExists(s.selectedFile);
        s.vehicleInstructionsDefault = s.vehicleInstructionsEnabled && mode == ArchiveMode::Browsing;
        return s;
    }

    // The vehicle a level-2 node stands for; null for any other node or one out of range.
    static const ArchiveVehicle* Vehicle(const VehicleArchive& archive, const ArchiveNode& node);
};

}  // namespace zov
