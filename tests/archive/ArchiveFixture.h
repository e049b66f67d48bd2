#pragma once

// A small vehicle archive and cards folder on disk, spelt the way archives come from the field:
// fuel and brand folders in any letter case, a folder that is not a fuel, files that are not
// vehicles, documents in some languages only.

#include <filesystem>
#include <fstream>
#include <string>

#include "TestFiles.h"

namespace zov::test {

struct ArchiveFixture {
    ArchiveFixture() {
        for (const char* file :
             {"Vetture/zovlogo_001.BMP", "Vetture/gpl/vw/Golf_4_001.zov", "Vetture/gpl/Audi/Audi_001.bmp",
              "Vetture/gpl/Audi/AUDI_002.BMP", "Vetture/gpl/Audi/CAR_005.bmp", "Vetture/gpl/Audi/b_002.zov",
              "Vetture/gpl/Audi/a_001.zov", "Vetture/gpl/Audi/Z_009.S19", "Vetture/gpl/Audi/c_003.s19",
              "Vetture/gpl/Audi/readme.txt", "Vetture/gpl/Audi/old.s19/keep.txt",
              "Vetture/METANO/Fiat/MODEL_X_1.2_007.zov", "Vetture/Diesel/Ford/X_001.s19",
              "Vetture/Metano_old/Opel/Y_001.s19", "Schede/ITALIANO/Generali_003.pdf",
              "Schede/ENGLISH/gpl/audi/c_777.pdf", "Schede/DEUTSCH/GPL/AUDI/C_555.PDF",
              "Schede/ENGLISH/IstruzioniKit_010.pdf"})
            Put(file, "x");
        std::filesystem::create_directories(dir.Path() / "Vetture/gpl/alfa");
    }

    void Put(const std::string& relative, const std::string& content) const {
        const std::filesystem::path path = dir.Path() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    std::string Root() const { return dir.Path().string(); }
    std::string Cars() const { return (dir.Path() / "Vetture").string(); }
    std::string Cards() const { return (dir.Path() / "Schede").string(); }

    zov::testing::ScratchDir dir;
};

}  // namespace zov::test
