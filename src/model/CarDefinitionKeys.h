#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zov {

class ConfCar;

// How a line of the vehicle file fileh0.h relates to the model.
enum class CarFileConversion : uint8_t {
    Plain,          // the field as it is
    Ticks,          // milliseconds in the model, 20 ms units in the file
    Period,         // rpm in the model, a period in the file
    ChangeoverRpm,  // GIRI_MINIMI_PER_CAMBIO's period with CAMBIO_IN_DECELERAZIONE in bit 0
    OpenLoop,       // a byte: higher bits of the file's value are dropped
    SensorCode,     // TIPO_DI_SENSORE travels as its level-sensor code
    Register,       // only the model's own bits of the register are taken from a file
    WordPair,       // the high word shifted 16 bits up, or'ed with the low word
    Date,           // DATA_PROGRAMMA as the ECU's day
    Text,           // a quoted text of up to 40 characters
    Written,        // the model's value goes out; a file's value is not taken back
    FileVolt,       // hundredths of a volt go out as a volt byte; not taken back
    Fixed,          // the program's own value goes out; a file that differs is reported
    Zero,           // always 0 in the file, nothing in the model
    TempoSafety,    // follows from TIPO_ACCENSIONE; not taken back
};

// One row of the vehicle file: a key, or a numbered run of keys, in file order.
struct CarFileKey {
    const char* key;  // the key, or the stem of a numbered run ("RIF_LAMBDA_")
    // The model's field (its first element); null where the conversion names its own field or
    // the line has none.
    int32_t* (*field)(ConfCar&);
    int count;  // 1, or the length of the numbered run
    CarFileConversion conversion;
    // The file generation that brought the key: 0 for the first files. Older program versions
    // wrote files that end where a later generation starts.
    int since;
    std::string ConfCar::*text = nullptr;  // Text: the model's text
    const char* note = nullptr;            // Fixed: the report line when the file differs
};

// The one table of the vehicle file's keys, which its reader, its writer and the key list all
// follow, with the conversions between a line's value and the model's fields.
class CarDefinitionKeys {
  public:
    static const std::vector<CarFileKey>& Rows();
    // The 155 keys in file order, numbered runs spelled out.
    static const std::vector<std::string>& Keys();
    // The key of element `i` of a row.
    static std::string KeyOf(const CarFileKey& row, int i);
    // A file of `lines` lines (fewer than all) ends where an older program version stopped.
    static bool IsCleanEnd(size_t lines);

    // The value the file holds for element `i` of `row` (not for Text rows).
    static int32_t ToFile(ConfCar& car, const CarFileKey& row, int i);
    // Takes a file's value for element `i` of `row` into the model (not for Text rows); a line
    // worth telling the user about lands in `report`.
    static void FromFile(ConfCar& car, const CarFileKey& row, int i, int32_t value,
                         std::vector<std::string>& report);
    // Gives the model the defaults of every generation a file of `lines` lines does not reach,
    // with the report lines of those that ask for one.
    static void FillMissing(ConfCar& car, size_t lines, std::vector<std::string>& report);
};

}  // namespace zov
