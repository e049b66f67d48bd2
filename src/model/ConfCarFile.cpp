#include "CarDefinitionKeys.h"
#include "ConfCar.h"

// The vehicle configuration's definition file fileh0.h: one pass over the key table for
// reading, one for writing.
namespace zov {

const std::vector<std::string>& ConfCar::DefinitionKeys() { return CarDefinitionKeys::Keys(); }

bool ConfCar::WriteDefinitionFile() {
    return WriteAtomically([this] { WriteDefinitionLines(); });
}

void ConfCar::WriteDefinitionLines() {
    for (const CarFileKey& row : CarDefinitionKeys::Rows()) {
        for (int i = 0; i < row.count; ++i) {
            const std::string key = CarDefinitionKeys::KeyOf(row, i);
            if (row.conversion == CarFileConversion::Text)
                WriteDefineString((this->*row.text).substr(0, kTextFieldLength), key);
            else
                WriteDefine(CarDefinitionKeys::ToFile(*this, row, i), key);
        }
    }
}

ConfCar::LoadResult ConfCar::ParseDefinitionFile(const std::string& path, DefinitionImage& image) {
    LoadResult result;
    image = {};
    IoBaseData scan(path);
    if (scan.OpenForReading() != 0) return result;
    result.opened = true;

    // A file that stops anywhere but where an older version stopped, or whose lines do not carry
    // their keys, is damaged and would otherwise fill the model (and the ECU) with NOT_FOUND and -1.
    const auto& keys = CarDefinitionKeys::Keys();
    std::vector<bool> isText;
    for (const CarFileKey& row : CarDefinitionKeys::Rows())
        for (int i = 0; i < row.count; ++i) isText.push_back(row.conversion == CarFileConversion::Text);
    for (size_t i = 0; i < keys.size() && result.error.empty(); ++i) {
        const std::string lineNo = std::to_string(i + 1);
        const int32_t value = scan.ReadDefine(keys[i]);
        if (scan.ReadEnded()) {
            if (!CarDefinitionKeys::IsCleanEnd(i))
                result.error =
                    "File di configurazione incompleto: manca la riga " + lineNo + " (" + keys[i] + ")";
            break;
        }
        const std::string& line = scan.LineBuffer();
        if (scan.ReadFailed())
            result.error = "File di configurazione danneggiato: la riga " + lineNo + " \xE8 troppo lunga";
        else if (!scan.LineIsDefinition() || line.find(keys[i]) == std::string::npos)
            result.error =
                "File di configurazione danneggiato: la riga " + lineNo + " non contiene " + keys[i];
        image.values.push_back(value);
        image.texts.emplace_back();
        if (isText[i]) QuotedText(line, keys[i], kTextFieldLength, image.texts.back());
    }
    scan.CloseReading();
    if (!result.error.empty()) {
        result.rejected = true;
        image = {};
    }
    return result;
}

void ConfCar::TakeDefinition(const DefinitionImage& image, LoadResult& result) {
    const size_t lines = image.values.size();
    size_t line = 0;
    for (const CarFileKey& row : CarDefinitionKeys::Rows()) {
        for (int i = 0; i < row.count; ++i, ++line) {
            if (line >= lines) continue;
            if (row.conversion == CarFileConversion::Text)
                this->*row.text = image.texts[line];
            else
                CarDefinitionKeys::FromFile(*this, row, i, image.values[line], result.report);
        }
    }
    CarDefinitionKeys::FillMissing(*this, lines, result.report);
    result.obsolete = !result.report.empty();

    if (result.obsolete && prompter_.Ask(kObsoleteQuestion, kFileCaption, PromptIcon::Warning,
                                         PromptButtons::YesNo) == PromptAnswer::Yes) {
        result.rewritten = WriteDefinitionFile();
        result.rewriteFailed = !result.rewritten;
        // The list tells what the upgraded file now holds: not shown for a file that was not written.
        if (result.rewritten) {
            std::string text = kObsoleteInfo;
            for (const std::string& reportLine : result.report) text += reportLine + "\n";
            prompter_.Ask(text, kFileCaption, PromptIcon::Information, PromptButtons::Ok);
        }
    }
}

ConfCar::LoadResult ConfCar::ReadDefinitionFile() {
    DefinitionImage image;
    LoadResult result = ParseDefinitionFile(GetFileName(), image);
    if (result.opened && !result.rejected) TakeDefinition(image, result);
    return result;
}

WriteOutcome ConfCar::WriteDefinitionToEcu() { return WriteToEcu(); }

}  // namespace zov
