#include "ArchiveSample.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <filesystem>
#include <tuple>

#include "FirmwareSample.h"
#include "Packaging.h"
#include "VehicleArchive.h"

namespace zov {
namespace fs = std::filesystem;

namespace {

struct SampleVehicle {
    const char* brand;
    const char* file;
    int displacement;
    int year;
    // Which languages carry its instruction sheet.
    bool italian;
    bool english;
};

struct SampleFuel {
    const char* folder;
    int fuel;
    std::vector<SampleVehicle> vehicles;
};

const std::vector<SampleFuel>& Fuels() {
    static const std::vector<SampleFuel> fuels{
        {"Gpl",
         0,
         {{"Fiat", "PUNTO_1.2_8V_0A1.s19", 1242, 2005, true, true},
          {"Fiat", "PANDA_1.1_0B2.zov", 1108, 2004, true, true},
          {"Fiat", "DOBLO_1.6_16V_0C1.zov", 1596, 2006, false, true},
          {"Opel", "ASTRA_1.6_16V_0A3.s19", 1598, 2003, true, true},
          {"Opel", "CORSA_1.2_0A2.zov", 1199, 2004, true, true},
          {"Volkswagen", "GOLF_1.6_0D1.zov", 1595, 2002, false, false}}},
        {"Metano",
         1,
         {{"Fiat", "MULTIPLA_1.6_0E1.s19", 1581, 2004, true, true},
          {"Fiat", "PUNTO_1.2_NP_0E2.zov", 1242, 2006, true, true},
          {"Renault", "KANGOO_1.6_0F1.zov", 1598, 2005, true, true}}},
    };
    return fuels;
}

unsigned BrandColour(const std::string& brand) {
    if (brand == "Fiat") return 0x9B1B30;
    if (brand == "Opel") return 0xF2C200;
    if (brand == "Volkswagen") return 0x1E4A8C;
    return 0x2E7D32;
}

bool Write(const fs::path& path, const std::string& content, std::string& error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const PackResult r = WriteFileAtomically(path.string(), content);
    if (!r) error = r.error;
    return r.ok;
}

std::string Words(const std::string& file) {
    const std::string display = VehicleArchive::DisplayName(file);
    return display.substr(0, display.find("  ("));
}

// The instruction texts of a vehicle in a language.
std::vector<SheetPage> VehiclePages(const SampleVehicle& v, const char* fuelName, bool italian) {
    const std::string model = std::string(v.brand) + " " + Words(v.file);
    if (italian)
        return {
            {model + " - " + fuelName,
             {"Cilindrata " + std::to_string(v.displacement) + " cm3, anno " + std::to_string(v.year) + ".",
              "1. Montare il riduttore lontano dal collettore di scarico.",
              "2. Collegare gli iniettori gas a valle di quelli benzina.",
              "3. Tagliare i segnali iniettori benzina come nello schema."}},
            {"Collegamenti elettrici",
             {"Sensore MAP sul collettore di aspirazione.", "Sonda lambda: filo grigio al pin 12.",
              "Commutatore sul cruscotto, lato guida."}}};
    return {{model + " - " + fuelName,
             {"Displacement " + std::to_string(v.displacement) + " cm3, year " + std::to_string(v.year) + ".",
              "1. Mount the reducer away from the exhaust manifold.",
              "2. Connect the gas injectors downstream of the petrol ones.",
              "3. Cut the petrol injector signals as the wiring shows."}},
            {"Wiring",
             {"MAP sensor on the intake manifold.", "Lambda sensor: grey wire to pin 12.",
              "Changeover switch on the dashboard, driver's side."}}};
}

std::vector<SheetPage> GeneralPages(bool italian) {
    if (italian)
        return {
            {"Istruzioni generali",
             {"Scollegare la batteria prima di iniziare.", "Usare solo tubi e raccordi omologati.",
              "Verificare la tenuta dell'impianto con acqua saponata."}},
            {"Collaudo", {"Controllare il passaggio benzina-gas a motore caldo.", "Registrare il cliente."}}};
    return {
        {"General instructions",
         {"Disconnect the battery before starting.", "Use approved pipes and fittings only.",
          "Check the installation for leaks with soapy water."}},
        {"Final test", {"Check the petrol to gas changeover with a warm engine.", "Record the customer."}}};
}

std::vector<SheetPage> KitPages(bool italian) {
    if (italian)
        return {{"Istruzioni del kit",
                 {"Contenuto: centralina, riduttore, iniettori, sensore MAP, commutatore.",
                  "Fissare la centralina lontano da fonti di calore."}}};
    return {{"Kit instructions",
             {"Contents: ECU, reducer, injectors, MAP sensor, changeover switch.",
              "Mount the ECU away from heat sources."}}};
}

bool WriteVehicle(const fs::path& cars, const fs::path& cards, const SampleFuel& fuel, const SampleVehicle& v,
                  std::string& error) {
    const fs::path brand = cars / fuel.folder / v.brand;
    const std::string file = v.file;
    SampleFirmware firmware;
    firmware.fuel = fuel.fuel;
    firmware.model = std::string(v.brand) + " " + Words(file);
    firmware.programName = file.substr(0, file.size() - 4);
    firmware.displacement = v.displacement;
    firmware.year = v.year;
    const bool plain = file.find(".s19") != std::string::npos;
    if (!Write(brand / file, plain ? SampleSRecords(firmware) : SampleEcuFile(firmware), error)) return false;

    const char* fuelName = fuel.fuel ? "Metano" : "GPL";
    const std::string document = file.substr(0, file.size() - 7) + "001.pdf";
    for (const auto& [language, wanted, italian] :
         {std::tuple{"ITALIANO", v.italian, true}, std::tuple{"ENGLISH", v.english, false}}) {
        if (!wanted) continue;
        const fs::path path = cards / language / fuel.folder / v.brand / document;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (!WriteInstructionSheet(path.string(), firmware.model, VehiclePages(v, fuelName, italian), error))
            return false;
    }
    return true;
}

}  // namespace

bool WritePlate(const std::string& path, const std::string& text, unsigned rgb, int width, int height,
                std::string& error) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    {
        QPainter p(&image);
        p.setPen(QColor::fromRgb(rgb).lightness() > 140 ? Qt::black : Qt::white);
        QFont font = p.font();
        font.setPixelSize(height / 3);
        font.setBold(true);
        p.setFont(font);
        p.drawRect(0, 0, width - 1, height - 1);
        p.drawText(image.rect(), Qt::AlignCenter, QString::fromStdString(text));
    }
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (!image.save(QString::fromStdString(path), "BMP")) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool WriteInstructionSheet(const std::string& path, const std::string& title,
                           const std::vector<SheetPage>& pages, std::string& error) {
    const std::string temporary = path + ".part";
    {
        QPdfWriter writer(QString::fromStdString(temporary));
        writer.setTitle(QString::fromStdString(title));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        QPainter p;
        if (!p.begin(&writer)) {
            error = "cannot write " + path;
            return false;
        }
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) writer.newPage();
            QFont font = p.font();
            font.setPixelSize(22);
            font.setBold(true);
            p.setFont(font);
            p.drawText(50, 70, QString::fromStdString(pages[i].heading));
            font.setPixelSize(13);
            font.setBold(false);
            p.setFont(font);
            int y = 110;
            for (const std::string& line : pages[i].lines) {
                p.drawText(50, y, QString::fromStdString(line));
                y += 22;
            }
            // A wiring sketch: the ECU, the injectors and the lines between them.
            y += 30;
            p.drawRect(50, y, 140, 80);
            p.drawText(60, y + 45, QStringLiteral("ECU"));
            for (int n = 0; n < 4; ++n) {
                p.drawRect(300, y + n * 22, 60, 16);
                p.drawLine(190, y + 40, 300, y + n * 22 + 8);
            }
            p.drawText(
                50, 800,
                QString::fromStdString(title) + QStringLiteral("  -  %1/%2").arg(i + 1).arg(pages.size()));
        }
        if (!p.end()) {
            error = "cannot write " + path;
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool WriteSampleArchive(const std::string& runtimeDir, std::string& error) {
    const fs::path cars = fs::path(runtimeDir) / "Vetture";
    const fs::path cards = fs::path(runtimeDir) / "Schede";
    if (!WritePlate((cars / "ZOVLogo_001.bmp").string(), "ZOV", 0x0B5394, 48, 32, error)) return false;
    for (const SampleFuel& fuel : Fuels()) {
        for (const SampleVehicle& v : fuel.vehicles) {
            const fs::path brand = cars / fuel.folder / v.brand;
            const std::string logo = (brand / (std::string(v.brand) + "_001.bmp")).string();
            if (!WritePlate(logo, std::string(v.brand).substr(0, 4), BrandColour(v.brand), 48, 32, error))
                return false;
            if (!WritePlate((brand / "car_001.bmp").string(), "car", 0xDDDDDD, 48, 32, error)) return false;
            if (!WriteVehicle(cars, cards, fuel, v, error)) return false;
        }
    }
    for (const auto& [language, italian] : {std::pair{"ITALIANO", true}, std::pair{"ENGLISH", false}}) {
        std::error_code ec;
        fs::create_directories(cards / language, ec);
        if (!WriteInstructionSheet((cards / language / "Generali_001.pdf").string(),
                                   italian ? "Istruzioni generali" : "General instructions",
                                   GeneralPages(italian), error) ||
            !WriteInstructionSheet((cards / language / "IstruzioniKit_001.pdf").string(),
                                   italian ? "Istruzioni del kit" : "Kit instructions", KitPages(italian),
                                   error))
            return false;
    }
    return true;
}

}  // namespace zov
